#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/Controls.h"
#include "core/EventLoop.h"
#include "core/Timer.h"
#include "core/Transliterator.h"
#include "core/UserDialogs.h"
#include "core/Version.h"
#include "display/CharacterSet.h"
#include "display/Models.h"
#include "display/ParallelLink.h"
#include "display/SerialLink.h"

namespace vfd {

inline constexpr const char* kPortInUseMessage =
    "You have selected a port that is currently in use. Please choose another.";

// The main window's controls that the display link reads and changes. The window owns them.
struct DisplayPanel {
  Label& Line1;
  Label& Line2;
  Shape& DivLine;
  ListBox& lstComport;
  ListBox& lstSpeed;
  ListBox& lstPPort;
  Button& cmdBrightness;
  Button& cmdClearMemory;
  Button& cmdSelfTest;
  Button& cmdRandomBrightness;
  Button& cmdKnightrider;
  Timer& Timer5;
  Timer& Timer8;
  // The timers that drive display functions; a port-in-use error on a speed change stops
  // whichever runs.
  std::array<Timer*, 13> function_timers;
  // One line of status on the main window for problems that need no dialog.
  Label& lblStatus;
};

// The display link: model and geometry state, the four line writers, the device commands and
// the port choices. Everything that becomes bytes for the display passes through here or through
// the serial link's per-character commands.
class DisplayLink {
 public:
  DisplayLink(DisplayPanel panel, SerialLink& serial, ParallelLink& parallel, EventLoop& loop,
              MessageBoxes& boxes, Transliterator& scripts = NoTransliterator::Instance());

  // --- state -------------------------------------------------------------------------------
  int16_t screen_type = kScreen2x20;   // ScreenType
  int16_t display_model = kModelNone;  // DisplayModel
  int16_t brightness_level = 7;        // BrightnessLevel
  int16_t glow_counter = 0;            // GlowCounter
  int16_t parallel_busy = 0;           // ParallelBusy

  SerialLink& serial() { return serial_; }
  ParallelLink& parallel() { return parallel_; }
  const DisplayPanel& panel() const { return panel_; }

  // --- text ------------------------------------------------------------------------------
  // The character set of the active model, with the ROM chosen for it. The preview and the
  // emulator draw codes back through it.
  const CharacterSet& Charset();
  // The ROM of one model (1..5), or of every model (0); all have the Japanese one at first.
  void SetCharsetChoice(int16_t model, CharsetChoice choice);
  CharsetChoice CharsetChoiceOf(int16_t model) const;
  // `text` (UTF-8) as the active model's codes. Every text from the user or the outside world
  // reaches the glass through here, before any column is counted: the line writers take codes.
  std::string TextCodes(std::string_view text);
  // Raised when the active set changed (another model, another ROM): text mapped before shows
  // wrong now and is mapped again.
  Signal<> charset_changed;

  // --- line writers ------------------------------------------------------------------------
  void Write2x20(std::string_view line1, std::string_view line2);
  void Write2x40(std::string_view line1, std::string_view line2);
  void Write4x20(std::string_view row1, std::string_view row2, std::string_view row3,
                 std::string_view row4);
  void Write2x24(std::string_view line1, std::string_view line2);
  // The 4x20 preview: the four rows in one label, indented as the window has always shown them.
  static std::string FourRowPreview(std::string_view row1, std::string_view row2,
                                    std::string_view row3, std::string_view row4);
  // The usual dispatch of a function that composed two lines: by ScreenType, with the 4x20
  // screen showing each line as two rows of 20. No screen type writes nothing.
  void WriteLines(std::string_view line1, std::string_view line2);

  // --- device commands ---------------------------------------------------------------------
  void ApplyBrightness();
  void StepBrightness();
  void ClearDisplayMemory();
  void ToggleSelfTest();
  void InitDisplayModel();
  void ShowSplash();
  void GlowStepDown();
  void GlowStepUp();
  // Puts the display to sleep, wakes it, and puts it to rest at exit, per model.
  void SleepDisplay();
  void WakeDisplay();
  void RestAtExit(bool sleep_on_exit);
  // Gives the preview labels the look of a screen type.
  void SetPreviewLook(int16_t screen);

  // --- what the display functions send besides lines ---------------------------------------
  // Shows the message as it is typed: the whole text from home, in the model's own way (the
  // displays with an automatic line wrap get it in one piece). Mirrors it in the preview.
  void EchoMessage(const std::string& message);
  // The IEE serial display's brightness for one character position (0..19), 0..7; nothing on
  // other models or with the port closed. A newer level for a position replaces an unsent one.
  void SendCharLevel(int position, int level);
  // The IEE serial display written the way The Matrix writes it: the two lines after 0x1D 0x16
  // exactly as given, so that the per-character levels stay; mirrored in the preview.
  void WriteMatrix2x20(const std::string& line1, const std::string& line2);
  // Defines the user glyph `code` of an IEE display from its pattern bytes. The serial display
  // takes the definition at once; the parallel display needs 5 ms after each byte, so the
  // definition is paced (other events run meanwhile) and holds ParallelBusy until it is done.
  // Nothing happens while another paced upload holds the port, with no port, or on other models;
  // the answer says whether the definition went out.
  bool DefineGlyph(uint8_t code, std::span<const uint8_t> pattern);
  // The IEE parallel display's character patterns, which the now-playing function loads before
  // it draws: paced and guarded like a glyph definition. Nothing on other models, without a port
  // or while another paced upload holds the port; the answer says whether they went out.
  bool UploadCharacterPatterns();

  // Holds ParallelBusy for a paced transfer on the parallel port: while it lives, the writers,
  // the echo and the model-2 commands leave the port alone so that no foreign byte lands in the
  // middle of the transfer.
  class ParallelUpload {
   public:
    explicit ParallelUpload(DisplayLink& link) : link_(link) { link_.parallel_busy = 1; }
    ~ParallelUpload() { link_.parallel_busy = 0; }
    ParallelUpload(const ParallelUpload&) = delete;
    ParallelUpload& operator=(const ParallelUpload&) = delete;

   private:
    DisplayLink& link_;
  };

  // Model-level sequences that other parts of the program reuse.
  void SendModel2Command(uint8_t command);
  void Model3Brightness(uint8_t level);
  void Model3Instruction(uint8_t instruction);

  // --- port choice -------------------------------------------------------------------------
  void SelectComPort();
  void SelectSpeed();
  void SelectParallelBase();
  // Puts a serial device path into the port list unless it is there already; returns its index.
  int EnsurePortEntry(const std::string& port);
  // Brings the port list in line with the devices `present` now: new ones are added, vanished
  // ones removed, except COM1..COM4 and the chosen port, which stays listed (and kept in the
  // settings) while it is away.
  void RefreshPortList(const std::vector<std::string>& present);

  // The port-in-use answer: the message, then the port closed.
  void PortInUse();
  // Shows a problem in the status line (empty clears it).
  void ReportStatus(const std::string& text);
  // A message about one display function, `owner` being its timer: it is shown only while the
  // function runs, and it goes when the function stops (ReleaseStatusOf).
  void ReportStatus(const std::string& text, const Timer& owner);
  // Clears the status line if its message belongs to `owner`.
  void ReleaseStatusOf(const Timer& owner);
  const Timer* StatusOwner() const { return status_owner_; }

  // While the chosen serial port of a serial model is closed by a fault (an adapter pulled out)
  // or absent, it is tried again this often; a port that another program holds is not.
  static constexpr int kReconnectMs = 2000;
  bool WaitingForPort() const { return reconnect_timer_.Enabled(); }
  // Raised when the port came back by itself and the display was started again as a model
  // change starts it, its brightness restored: the running function's frame is due again.
  Signal<> reconnected;

 private:
  // Opens the serial port; a failure other than "in use" is told in the status line. The caller
  // gives the in-use answer, which differs between callers.
  SerialOpenResult::Status TryOpenSerial();
  // TryOpenSerial with the plain in-use answer; true when the port is open.
  bool OpenSerialOrExplain();
  // Starts or stops trying the chosen port again.
  void WatchForPort(bool watch);
  // After the user's choice opened the port: the model's start-up if it is still due.
  void StartIfPending();
  void TryReconnect();
  bool SerialReady() const { return serial_.IsSerialOpen(); }
  // The row of the active model; nullptr for none.
  const ModelRow* Row() const { return FindModel(display_model); }
  bool ParallelReady() const { return parallel_.Base() != 0; }
  // Strobes `bytes` out to the IEE parallel display with 5 ms before and after each, holding
  // ParallelBusy; false (nothing sent) without a port or while another upload holds it.
  bool PacedParallelSend(std::span<const uint8_t> bytes);

  DisplayPanel panel_;
  // The function timer whose message the status line shows; none for the program's own.
  const Timer* status_owner_ = nullptr;
  // Indexed by model code; 0 is unused.
  std::array<CharsetChoice, 6> charset_choices_{};
  CharacterSet charset_ = CharacterSet::ForModel(kModelNone, CharsetChoice::kJapanese);
  TextMapper mapper_;
  SerialLink& serial_;
  ParallelLink& parallel_;
  EventLoop& loop_;
  MessageBoxes& boxes_;
  Timer reconnect_timer_{"SerialReconnect", kReconnectMs};
  // A serial model whose start-up found no open port: it runs when a chosen port opens.
  bool start_pending_ = false;
};

}  // namespace vfd
