// The user's choice of serial port, speed and parallel port address.
#include <charconv>

#include "display/DisplayLink.h"

namespace vfd {
namespace {

bool IsSerialModel(int16_t model) {
  return LinkOf(model) == LinkKind::kSerial;
}

// The numeric value of a hexadecimal list text such as "&H378"; 0 for anything else.
int16_t HexValue(const std::string& text) {
  if (text.size() < 3 || (text.compare(0, 2, "&H") != 0 && text.compare(0, 2, "&h") != 0)) return 0;
  unsigned value = 0;
  auto [ptr, ec] = std::from_chars(text.data() + 2, text.data() + text.size(), value, 16);
  if (ec != std::errc() || ptr != text.data() + text.size() || value > 0xFFFF) return 0;
  return static_cast<int16_t>(static_cast<uint16_t>(value));
}

}  // namespace

void DisplayLink::ReportStatus(const std::string& text) {
  panel_.lblStatus.SetCaption(text);
}

void DisplayLink::PortInUse() {
  boxes_.ShowMessage(kPortInUseMessage, kProgramTitle);
  if (SerialReady()) serial_.CloseSerial();
}

SerialOpenResult::Status DisplayLink::TryOpenSerial() {
  SerialOpenResult result = serial_.OpenSerial();
  if (result.status == SerialOpenResult::Status::kOk) {
    ReportStatus("");
  } else if (result.status == SerialOpenResult::Status::kFailed) {
    std::string text = "Could not open " + serial_.DeviceName() + ": " + result.reason + ".";
    if (result.permission_denied)
      text +=
          " Your user needs to be in the dialout group (sudo usermod -aG dialout $USER, then "
          "log in again).";
    ReportStatus(text);
  }
  return result.status;
}

int DisplayLink::EnsurePortEntry(const std::string& port) {
  ListBox& list = panel_.lstComport;
  int index = list.Find(port);
  if (index >= 0) return index;
  list.AddItem(port);
  return static_cast<int>(list.Items().size()) - 1;
}

void DisplayLink::SelectComPort() {
  if (IsSerialModel(display_model)) {
    std::string text = panel_.lstComport.Text();
    if (!SerialLink::DevicePath(text).empty()) {
      if (SerialReady()) serial_.CloseSerial();
      serial_.SetSerialPort(text);
      if (!SerialReady() && !OpenSerialOrExplain()) return;
    } else if (SerialReady()) {
      serial_.CloseSerial();
    }
  }
  ApplyBrightness();
}

void DisplayLink::SelectSpeed() {
  if (IsSerialModel(display_model)) {
    std::string text = panel_.lstSpeed.Text();
    std::string settings;
    if (text == " 9600") settings = "9600,n,8,1";
    if (text == "19200") settings = "19200,n,8,1";
    if (!settings.empty()) {
      if (SerialReady()) serial_.CloseSerial();
      serial_.SetSerialSettings(settings);
      if (!SerialReady()) {
        SerialOpenResult::Status status = TryOpenSerial();
        if (status == SerialOpenResult::Status::kInUse) {
          // A speed change that finds the port taken also stops the running display function
          // and clears the port choice.
          PortInUse();
          for (Timer* timer : panel_.function_timers)
            timer->SetEnabled(false);
          panel_.lstComport.SetListIndex(-1);
        }
        if (status != SerialOpenResult::Status::kOk) return;
      }
    } else if (SerialReady()) {
      serial_.CloseSerial();
    }
  }
  ApplyBrightness();
}

void DisplayLink::SelectParallelBase() {
  parallel_.SetBase(HexValue(panel_.lstPPort.Text()));
  if (parallel_.Base() != 0 && parallel_.Available()) ReportStatus("");
  ApplyBrightness();
}

}  // namespace vfd
