#include "sources/MotherboardMonitor.h"

#include <string_view>
#include <vector>

#include "sources/MbmAccess.h"

namespace vfd {

FunctionRegistration MotherboardMonitor::Registration() {
  // ActivateMbm is the mode controller's activation with the first frame after the brightness:
  // the other function timers off, Timer6 on, the level re-sent, then one MbmTick at once.
  return {.code = 6,
          .button = &c_.cmdMBM,
          .timer = &c_.Timer6,
          .first_frame = FirstFrame::kAfter,
          .tick = [this] { MbmTick(); },
          .dialog = &dialog_,
          .config_button = &c_.cmdMBMConfig,
          .load =
              [this](const Settings& s) {
                sensor = s.MbmSensor;
                label = s.MbmLabel;
              },
          .store =
              [this](Settings& s) {
                s.MbmSensor = sensor;
                s.MbmLabel = label;
              }};
}

std::array<std::string, 4> MotherboardMonitor::Segments() {
  bool any_sensor = false;
  for (const std::string& choice : sensor)
    any_sensor = any_sensor || SensorChoiceEntry(choice) >= 0;
  // One reading serves all eight slots, so the values of one frame belong together.
  const SensorTable table = any_sensor ? sensors_.ReadTable() : SensorTable{};
  std::array<std::string, 4> segments;
  for (size_t s = 0; s < segments.size(); ++s) {
    const size_t a = 2 * s, b = 2 * s + 1;
    // The labels are the user's and the sensors' names the machine's: any script, counted as
    // shown.
    segments[s] = display_.TextCodes(label[a] + FormatSensorSlot(sensor[a], table) + label[b] +
                                     FormatSensorSlot(sensor[b], table));
  }
  return segments;
}

void MotherboardMonitor::MbmTick() {
  const std::array<std::string, 4> seg = Segments();
  switch (display_.screen_type) {
    case kScreen2x20:
      display_.Write2x20(seg[0] + seg[1], seg[2] + seg[3]);
      break;
    case kScreen2x40:
      display_.Write2x40(seg[0] + seg[1], seg[2] + seg[3]);
      break;
    case kScreen2x24:
      display_.Write2x24(seg[0] + seg[1], seg[2] + seg[3]);
      break;
    case kScreen4x20:
      display_.Write4x20(seg[0], seg[1], seg[2], seg[3]);
      break;
    default:
      break;
  }
}

FrmMBMConfig::FrmMBMConfig(MotherboardMonitor& monitor, TimerHost& timers)
    : SlotGridForm("frmMBMConfig", "VFD Vorlinx - MBM Config", timers), monitor_(monitor) {}

void FrmMBMConfig::OnLoad() {
  sensor_on_load_ = monitor_.sensor;
  label_on_load_ = monitor_.label;
  lblLine1.SetCaption(kRuler);
  lblLine2.SetCaption(kRuler);
  const SensorTable table = monitor_.sensors().ReadTable();
  std::vector<std::string> items{kNoSensor};
  for (int i = 0; i < kSensorEntries; ++i)
    items.push_back(SensorChoiceItem(i, table[i]));
  const std::array<ListBox*, 8> lists = VariableLists();
  const std::array<TextBox*, 8> boxes = LabelBoxes();
  for (size_t k = 0; k < lists.size(); ++k) {
    ListBox& list = *lists[k];
    list.Clear();
    for (const std::string& item : items)
      list.AddItem(item);
    // A choice made when the sensor had another name (or none) still names its entry by number;
    // the list shows that entry under today's name. A choice that names no entry shows as none.
    const std::string& choice = monitor_.sensor[k];
    int index = list.Find(choice);
    if (index < 0) index = SensorChoiceEntry(choice) + 1;
    list.SetListIndex(index);
    boxes[k]->SetText(monitor_.label[k]);
  }
  tmrUpdate.SetEnabled(true);
}

void FrmMBMConfig::OnUnload() {
  tmrUpdate.SetEnabled(false);
  // Closing keeps the edits, including one made since the last update.
  if (!cancelling_) CopyIntoSlots();
}

void FrmMBMConfig::CopyIntoSlots() {
  const std::array<ListBox*, 8> lists = VariableLists();
  const std::array<TextBox*, 8> boxes = LabelBoxes();
  for (size_t k = 0; k < lists.size(); ++k) {
    monitor_.sensor[k] = lists[k]->Text();
    monitor_.label[k] = boxes[k]->Text();
  }
}

void FrmMBMConfig::Update() {
  CopyIntoSlots();
  const std::array<std::string, 4> seg = monitor_.Segments();
  lblLine1.SetCaption((seg[0] + seg[1]).substr(0, 40));
  lblLine2.SetCaption((seg[2] + seg[3]).substr(0, 40));
}

void FrmMBMConfig::Cancel() {
  cancelling_ = true;
  Unload();
  cancelling_ = false;
  monitor_.sensor = sensor_on_load_;
  monitor_.label = label_on_load_;
}

}  // namespace vfd
