#include "display/VfdSelect.h"

namespace vfd {

FrmVFDSelect::FrmVFDSelect(DisplayLink& link)
    : Form("frmVFDSelect", "VFD Vorlinx - VFD Selector"), link_(link) {
  for (std::string_view text : kScreenListOrder)
    lstScreen.AddItem(std::string(text));
  lstScreen.on_select = [this] { ScreenSelected(); };
  cmdApply.on_click = [this] { Apply(); };
}

void FrmVFDSelect::OnLoad() {
  const int16_t remembered = link_.display_model;
  if (const ScreenRow* screen = FindScreen(link_.screen_type))
    lstScreen.SetListIndex(lstScreen.Find(std::string(screen->list_text)));
  if (const ModelRow* model = FindModel(remembered))
    lstVFD.SetListIndex(lstVFD.Find(std::string(model->list_text)));

  // A new model is always followed by a fresh choice of port.
  const DisplayPanel& panel = link_.panel();
  panel.lstComport.SetListIndex(-1);
  panel.lstSpeed.SetListIndex(-1);
  panel.lstPPort.SetListIndex(-1);
  if (link_.serial().IsSerialOpen()) link_.serial().CloseSerial();
  link_.serial().SetSerialPort("");
}

void FrmVFDSelect::OnUnload() {
  // The next opening starts from the dialog's design state; clearing the lists must not count as
  // the user's choice.
  auto handler = std::move(lstScreen.on_select);
  lstScreen.on_select = nullptr;
  lstScreen.SetListIndex(-1);
  lstScreen.on_select = std::move(handler);
  lstVFD.Clear();
}

void FrmVFDSelect::ScreenSelected() {
  const ScreenRow* screen = FindScreenByText(lstScreen.Text());
  if (!screen) return;
  link_.screen_type = screen->screen;
  link_.display_model = kModelNone;
  lstVFD.Clear();
  // Models of the chosen geometry, in the order the list has always shown them.
  static constexpr int16_t kListOrder[] = {kModelIeeSerial, kModelOrbital2x20, kModelNoritake,
                                           kModelIeeParallel, kModelOrbital4x20};
  for (int16_t code : kListOrder) {
    const ModelRow* row = FindModel(code);
    if (row->screen == screen->screen) lstVFD.AddItem(std::string(row->list_text));
  }
  link_.SetPreviewLook(screen->screen);
}

void FrmVFDSelect::Apply() {
  if (const ScreenRow* screen = FindScreenByText(lstScreen.Text())) {
    link_.screen_type = screen->screen;
  } else {
    link_.screen_type = kScreenNone;
    link_.display_model = kModelNone;
  }
  if (const ModelRow* model = FindModelByText(lstVFD.Text())) link_.display_model = model->model;
  link_.InitDisplayModel();
  Unload();
}

}  // namespace vfd
