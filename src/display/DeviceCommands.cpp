// Everything the link sends besides text frames: brightness, clear, self-test, model start-up,
// the splash screen and the Glow steps.
#include "display/Bytes.h"
#include "display/DisplayLink.h"

namespace vfd {
namespace {

constexpr const char* kSelfTestOn = "Activate Self-Test";
constexpr const char* kSelfTestOff = "Deactivate Self-Test";

}  // namespace

DisplayLink::DisplayLink(DisplayPanel panel, SerialLink& serial, ParallelLink& parallel,
                         EventLoop& loop, MessageBoxes& boxes, Transliterator& scripts)
    : panel_(panel),
      mapper_(charset_, scripts),
      serial_(serial),
      parallel_(parallel),
      loop_(loop),
      boxes_(boxes) {
  reconnect_timer_.on_tick = [this] { TryReconnect(); };
  reconnect_timer_.AttachHost(&loop_);
  serial_.failed.Connect([this](const std::string& reason) {
    ReportStatus("Serial port " + serial_.DeviceName() + " was closed: " + reason +
                 ". Trying again every 2 seconds.");
    WatchForPort(true);
  });
  parallel_.unavailable.Connect([this](const std::string& why) {
    ReportStatus("Parallel port " + ParallelLink::HexText(parallel_.Base()) + ": " + why +
                 ". Nothing is sent to it.");
  });
  parallel_.timed_out.Connect([this] {
    ReportStatus("The display on parallel port " + ParallelLink::HexText(parallel_.Base()) +
                 " does not answer (it stays busy); output to it is abandoned.");
  });
}

bool DisplayLink::OpenSerialOrExplain() {
  SerialOpenResult::Status status = TryOpenSerial();
  if (status == SerialOpenResult::Status::kInUse) PortInUse();
  return status == SerialOpenResult::Status::kOk;
}

void DisplayLink::SendModel2Command(uint8_t command) {
  // A paced glyph upload owns the port: a command strobed in between would become one of the
  // glyph's pattern bytes. The command is skipped; the level is sent again often enough.
  if (parallel_busy != 0) return;
  if (!parallel_.WaitStatusNot7F()) return;
  parallel_.StrobeWrite(command);
  parallel_.WaitStatusNot7F();
}

void DisplayLink::Model3Brightness(uint8_t level) {
  // Function set, then a data write: the Noritake takes that data byte as its brightness.
  parallel_.WriteControl(0x02);
  parallel_.WriteData(0x30);
  parallel_.WriteControl(0x03);
  parallel_.WriteControl(0x06);
  parallel_.WriteData(level);
  parallel_.WriteControl(0x07);
  parallel_.WriteControl(0x06);
}

void DisplayLink::Model3Instruction(uint8_t instruction) {
  parallel_.WriteControl(0x02);
  parallel_.WriteData(instruction);
  parallel_.WriteControl(0x03);
  parallel_.WriteControl(0x06);
}

void DisplayLink::ApplyBrightness() {
  const int16_t level = brightness_level;
  switch (display_model) {
    case kModelIeeSerial:
      if (SerialReady() && level >= 0 && level <= 7)
        serial_.SerialSend(Bytes({0x19, 0x30, 0xFF, static_cast<uint8_t>(level)}));
      break;
    case kModelIeeParallel:
      if (ParallelReady()) SendModel2Command(level == 0 ? 0x1F : level == 1 ? 0x1E : 0x1D);
      break;
    case kModelNoritake:
      if (ParallelReady()) Model3Brightness(level >= 0 && level <= 3 ? level : 3);
      break;
    case kModelOrbital2x20:
    case kModelOrbital4x20:
      if (SerialReady())
        serial_.SerialSend(
            Bytes({0xFE, 0x59, static_cast<uint8_t>(level >= 0 && level <= 2 ? level : 3)}));
      break;
    default:
      break;
  }
  panel_.cmdBrightness.SetCaption("Brightness Level " + std::to_string(level));
}

void DisplayLink::StepBrightness() {
  int16_t& level = brightness_level;
  switch (display_model) {
    case kModelIeeSerial:
      // A stored level outside the model's range is left alone and nothing is sent.
      if (level >= 0 && level <= 7) {
        level = level == 7 ? 0 : level + 1;
        if (SerialReady())
          serial_.SerialSend(Bytes({0x19, 0x30, 0xFF, static_cast<uint8_t>(level)}));
      }
      break;
    case kModelIeeParallel: {
      uint8_t command;
      if (level == 0) {
        level = 1;
        command = 0x1E;
      } else if (level == 1) {
        level = 2;
        command = 0x1D;
      } else {
        level = 0;
        command = 0x1F;
      }
      if (ParallelReady()) SendModel2Command(command);
      break;
    }
    case kModelNoritake:
      level = (level >= 0 && level <= 2) ? level + 1 : 0;
      if (ParallelReady()) Model3Brightness(static_cast<uint8_t>(level));
      break;
    case kModelOrbital2x20:
    case kModelOrbital4x20:
      level = (level >= 0 && level <= 2) ? level + 1 : 0;
      if (SerialReady()) serial_.SerialSend(Bytes({0xFE, 0x59, static_cast<uint8_t>(level)}));
      break;
    default:
      break;
  }
  panel_.cmdBrightness.SetCaption("Brightness Level " + std::to_string(level));
}

void DisplayLink::ClearDisplayMemory() {
  switch (display_model) {
    case kModelIeeSerial:
    case kModelOrbital2x20:
    case kModelOrbital4x20:
      if (SerialReady()) serial_.SerialSend(Row()->serial.clear);
      break;
    case kModelIeeParallel:
      if (ParallelReady()) SendModel2Command(0x14);
      break;
    case kModelNoritake:
      panel_.cmdClearMemory.SetEnabled(false);
      break;
    default:
      break;
  }
  ApplyBrightness();
}

void DisplayLink::ToggleSelfTest() {
  if (display_model == kModelIeeSerial) {
    if (SerialReady()) {
      if (panel_.cmdSelfTest.Caption() == kSelfTestOff) {
        serial_.SerialSend(Bytes({0x19, 0x3F}));
        panel_.cmdSelfTest.SetCaption(kSelfTestOn);
      } else {
        serial_.SerialSend(Bytes({0x19, 0x3E}));
        panel_.cmdSelfTest.SetCaption(kSelfTestOff);
      }
    }
  } else if (display_model >= kModelIeeParallel && display_model <= kModelOrbital4x20) {
    panel_.cmdSelfTest.SetEnabled(false);
  }
  ApplyBrightness();
}

void DisplayLink::SetPreviewLook(int16_t screen) {
  Label& l1 = panel_.Line1;
  Label& l2 = panel_.Line2;
  switch (screen) {
    case kScreen2x20:
      l1.SetFont(18, true);
      l2.SetFont(18, true);
      break;
    case kScreen2x40:
      l1.SetFont(9, false);
      l2.SetFont(9, false);
      break;
    case kScreen4x20:
      l1.SetFont(10, false);
      break;
    case kScreen2x24:
      l1.SetFont(14, true);
      l2.SetFont(14, true);
      break;
    default:
      return;
  }
  const bool two_lines = screen != kScreen4x20;
  l2.SetVisible(two_lines);
  panel_.DivLine.SetVisible(two_lines);
}

void DisplayLink::InitDisplayModel() {
  // The new model's character set, before anything is shown on it.
  Charset();
  switch (display_model) {
    case kModelIeeSerial:
      panel_.lstComport.SetVisible(true);
      panel_.lstSpeed.SetVisible(true);
      panel_.lstPPort.SetVisible(false);
      if (!SerialReady() && !OpenSerialOrExplain()) {
        // The display still needs its start-up once a port opens.
        start_pending_ = true;
        return;
      }
      start_pending_ = false;
      serial_.SerialSend(Row()->serial.wake);
      panel_.cmdSelfTest.SetEnabled(true);
      panel_.cmdRandomBrightness.SetEnabled(true);
      panel_.cmdKnightrider.SetEnabled(true);
      panel_.cmdClearMemory.SetEnabled(true);
      // The effects that only this model can show start again if their captions say they ran.
      if (panel_.cmdRandomBrightness.Caption() == "Oww, My Eyes!") panel_.Timer5.SetEnabled(true);
      if (panel_.cmdKnightrider.Caption() == "Shut Up KITT!") panel_.Timer8.SetEnabled(true);
      break;
    case kModelIeeParallel:
    case kModelNoritake:
      WatchForPort(false);
      panel_.lstComport.SetVisible(false);
      panel_.lstSpeed.SetVisible(false);
      panel_.lstPPort.SetVisible(true);
      panel_.cmdSelfTest.SetEnabled(false);
      panel_.cmdRandomBrightness.SetEnabled(false);
      panel_.cmdKnightrider.SetEnabled(false);
      panel_.cmdClearMemory.SetEnabled(display_model == kModelIeeParallel);
      if (SerialReady()) serial_.CloseSerial();
      break;
    case kModelOrbital2x20:
    case kModelOrbital4x20:
      panel_.lstComport.SetVisible(true);
      panel_.lstSpeed.SetVisible(true);
      panel_.lstPPort.SetVisible(false);
      if (!SerialReady() && !OpenSerialOrExplain()) {
        // The display still needs its start-up once a port opens.
        start_pending_ = true;
        return;
      }
      start_pending_ = false;
      serial_.SerialSend(Row()->serial.wake);
      panel_.cmdSelfTest.SetEnabled(false);
      panel_.cmdRandomBrightness.SetEnabled(false);
      panel_.cmdKnightrider.SetEnabled(false);
      panel_.cmdClearMemory.SetEnabled(true);
      break;
    default:
      break;
  }
  SetPreviewLook(screen_type);
}

void DisplayLink::ShowSplash() {
  const std::string version = kProgramVersion;
  switch (display_model) {
    case kModelIeeSerial:
      if (SerialReady()) {
        serial_.SerialSend(Bytes({0x15}));  // clear, then write from home
        serial_.SerialSend("QX Depot VFD Vorlinx    Version " + version);
        serial_.SerialSend(Row()->serial.wake);
      }
      break;
    case kModelIeeParallel:
      Write2x40("  VFD Vorlinx      Written By Tam_Orvo  ",
                " Version " + version + "    IEE VFD Model S03601-96");
      break;
    case kModelNoritake:
      Write2x24("VFD Vorlinx Version " + version, "Noritake CU24025ECPB-U1J");
      if (ParallelReady()) Model3Instruction(0x0C);
      break;
    case kModelOrbital2x20:
      if (SerialReady()) {
        serial_.SerialSend(Bytes({0xFE, 0x58, 0xFE, 0x54}));
        serial_.SerialSend("Matrix Orbital  " + version + "VK202-25 VFD Vorlinx");
        serial_.SerialSend(Row()->serial.wake);
      }
      break;
    case kModelOrbital4x20:
      if (SerialReady()) {
        serial_.SerialSend(Bytes({0xFE, 0x58, 0xFE, 0x54}));
        serial_.SerialSend(" Matrix Orbital VFD   VFD Vorlinx " + version +
                           "     Model VK204-25   Written By Tam_Orvo");
        serial_.SerialSend(Row()->serial.wake);
      }
      break;
    default:
      break;
  }
}

void DisplayLink::SleepDisplay() {
  switch (display_model) {
    case kModelIeeSerial:
    case kModelOrbital2x20:
    case kModelOrbital4x20:
      if (SerialReady()) serial_.SerialSend(Row()->serial.sleep);
      break;
    case kModelIeeParallel:
      // This display has no off command: it is blanked.
      Write2x40(std::string(40, ' '), std::string(40, ' '));
      break;
    case kModelNoritake:
      if (ParallelReady()) Model3Instruction(0x08);
      break;
    default:
      break;
  }
}

void DisplayLink::WakeDisplay() {
  switch (display_model) {
    case kModelIeeSerial:
    case kModelOrbital2x20:
    case kModelOrbital4x20:
      if (SerialReady()) serial_.SerialSend(Row()->serial.wake);
      break;
    case kModelNoritake:
      if (ParallelReady()) Model3Instruction(0x0C);
      break;
    default:  // the IEE parallel display is redrawn by the function that starts again
      break;
  }
}

void DisplayLink::RestAtExit(bool sleep_on_exit) {
  // The displays with an off command always get it; the IEE displays sleep only when asked.
  const bool iee = display_model == kModelIeeSerial || display_model == kModelIeeParallel;
  if (sleep_on_exit || !iee) SleepDisplay();
  if (display_model == kModelIeeSerial && SerialReady()) serial_.CloseSerial();
}

void DisplayLink::GlowStepDown() {
  if (glow_counter >= 0 && glow_counter <= 7) {
    brightness_level = static_cast<int16_t>(7 - glow_counter);
    ApplyBrightness();
  }
  if (glow_counter != 0) --glow_counter;
}

void DisplayLink::GlowStepUp() {
  if (glow_counter >= 0 && glow_counter <= 7) {
    brightness_level = static_cast<int16_t>(7 - glow_counter);
    ApplyBrightness();
  }
  if (glow_counter != 7) ++glow_counter;
}

}  // namespace vfd
