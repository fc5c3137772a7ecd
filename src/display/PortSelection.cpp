// The user's choice of serial port, speed and parallel port address.
#include <algorithm>
#include <charconv>

#include "core/Charset.h"
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
  status_owner_ = nullptr;
  // Messages quote what files and the web sent; every view (the window, a terminal, the journal)
  // gets them as one plain line.
  // The line shows what fits of a long message; its tip holds all of it, line by line.
  std::string tip;
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (start > 0) tip += '\n';
    std::string_view part = std::string_view(text).substr(start, end - start);
    if (part.ends_with('\r')) part.remove_suffix(1);
    tip += OneLine(part);
    start = end + 1;
  }
  panel_.lblStatus.SetToolTip(tip);
  panel_.lblStatus.SetCaption(OneLine(text));
}

void DisplayLink::ReportStatus(const std::string& text, const Timer& owner) {
  // An answer that comes after its function stopped (a refresh running on) has nobody to tell.
  if (!owner.Enabled()) return;
  ReportStatus(text);
  status_owner_ = &owner;
}

void DisplayLink::ReleaseStatusOf(const Timer& owner) {
  if (status_owner_ == &owner) ReportStatus("");
}

void DisplayLink::PortInUse() {
  boxes_.ShowMessage(kPortInUseMessage, kProgramTitle);
  if (SerialReady()) serial_.CloseSerial();
}

SerialOpenResult::Status DisplayLink::TryOpenSerial() {
  if (SerialLink::DevicePath(serial_.Port()).empty()) {
    // Nothing is opened on a guess: a port the user did not choose may hold another device.
    WatchForPort(false);
    ReportStatus("Choose the serial port the display is on.");
    return SerialOpenResult::Status::kFailed;
  }
  SerialOpenResult result = serial_.OpenSerial();
  if (result.status == SerialOpenResult::Status::kOk) {
    ReportStatus("");
  } else if (result.status == SerialOpenResult::Status::kFailed) {
    std::string text = "Could not open " + serial_.DeviceName() + ": " + result.reason + ".";
    if (result.permission_denied)
      text +=
          " Your user needs to be in the dialout group (sudo usermod -aG dialout $USER, then "
          "log in again).";
    ReportStatus(text + " Trying again every 2 seconds.");
  }
  WatchForPort(result.status == SerialOpenResult::Status::kFailed);
  return result.status;
}

void DisplayLink::StartIfPending() {
  if (start_pending_ && SerialReady()) InitDisplayModel();
}

void DisplayLink::WatchForPort(bool watch) {
  reconnect_timer_.SetEnabled(watch);
}

void DisplayLink::TryReconnect() {
  if (!IsSerialModel(display_model) || SerialLink::DevicePath(serial_.Port()).empty() ||
      SerialReady()) {
    WatchForPort(false);
    return;
  }
  SerialOpenResult result = serial_.OpenSerial();
  if (result.status == SerialOpenResult::Status::kFailed) return;  // still away: the next try
  WatchForPort(false);
  if (result.status == SerialOpenResult::Status::kInUse) {
    // Another program took the port meanwhile; it is not fought over in a loop.
    ReportStatus("Serial port " + serial_.DeviceName() +
                 " is back but in use by another program. Choose it again to retry.");
    return;
  }
  InitDisplayModel();
  ApplyBrightness();
  ReportStatus("Reconnected to " + serial_.DeviceName());
  reconnected.Emit();
}

int DisplayLink::EnsurePortEntry(const std::string& port) {
  ListBox& list = panel_.lstComport;
  int index = list.Find(port);
  if (index >= 0) return index;
  list.AddItem(port);
  return static_cast<int>(list.Items().size()) - 1;
}

void DisplayLink::RefreshPortList(const std::vector<std::string>& present) {
  for (const std::string& port : present)
    EnsurePortEntry(port);
  const std::vector<std::string> listed = panel_.lstComport.Items();
  for (const std::string& port : listed) {
    if (!port.starts_with("/")) continue;  // COM1..COM4 are always offered
    if (std::find(present.begin(), present.end(), port) == present.end())
      panel_.lstComport.RemoveItem(port);
  }
}

void DisplayLink::SelectComPort() {
  if (IsSerialModel(display_model)) {
    std::string text = panel_.lstComport.Text();
    if (SerialReady()) serial_.CloseSerial();
    if (!SerialLink::DevicePath(text).empty()) {
      serial_.SetSerialPort(text);
      if (!OpenSerialOrExplain()) return;
      StartIfPending();
    } else {
      // No port chosen: none is opened, and none is waited for.
      serial_.SetSerialPort("");
      WatchForPort(false);
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
        StartIfPending();
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
