#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vfd::lcdproc {

// The widget language of LCDproc's clients as LCDd 0.5 speaks it (protocol 0.4): the sessions,
// their screens and widgets, and every command's answer. Nothing here draws; the display
// function reads the screens.

// Lowest to highest: only the screens of the highest class present are shown.
enum class Priority { kHidden, kBackground, kInfo, kForeground, kAlert, kInput };

enum class WidgetType { kString, kTitle, kHbar, kVbar, kPbar, kIcon, kScroller, kFrame, kNum };

struct Widget {
  std::string id;
  WidgetType type = WidgetType::kString;
  std::string frame;  // the frame it sits in; empty: the screen itself
  bool set = false;   // nothing shows before the first widget_set
  // Coordinates are 1-based as the clients send them: x, y (or left, top) and right, bottom.
  int x = 1, y = 1, right = 1, bottom = 1;
  int length = 0;        // hbar, vbar: pixels; pbar: cells
  int promille = 0;      // pbar
  int value = 0;         // num: 0..9, 10 a colon
  int wid = 0, hgt = 0;  // frame: its virtual screen
  char direction = 'h';  // scroller, frame
  int speed = 1;         // scroller, frame: strokes per move; negative: moves per stroke
  std::string text;      // UTF-8: string, title, scroller; the icon's name; pbar's begin label
  std::string end_label;
  // The text as the active display's codes, made when the text is set or the charset changes.
  std::string codes;
  std::string end_codes;
};

struct Screen {
  std::string id;
  uint64_t key = 0;  // unique over the run, in the order the screens were added
  std::string name;
  int wid = 0, hgt = 0;
  Priority priority = Priority::kInfo;
  int duration = 0;  // eighths of a second per turn; 0: the server's default
  int timeout = -1;  // eighths of a second left while shown; -1: none
  std::string heartbeat = "open";
  std::string backlight = "open";
  std::string cursor = "off";
  int cursor_x = 1, cursor_y = 1;
  std::vector<Widget> widgets;
  std::vector<std::string> keys;

  Widget* FindWidget(std::string_view widget);
};

struct Client {
  int id = 0;
  bool greeted = false;  // sent hello
  std::string name;
  std::vector<Screen> screens;

  Screen* FindScreen(std::string_view screen);
};

// Splits a command line into words: blanks separate them, double quotes (or braces) hold a word
// with blanks, and inside quotes a backslash escapes '"', '\\', and writes "\n", "\r", "\t".
// Unbalanced quotes give nothing and the reason.
std::optional<std::vector<std::string>> SplitWords(std::string_view line, std::string* error);

// A client's text as UTF-8: UTF-8 stays, anything else is taken as Latin-1.
std::string ClientText(std::string_view bytes);

class Sessions {
 public:
  // Bounds per client; a command over one is refused.
  static constexpr size_t kMaxScreens = 64;
  static constexpr size_t kMaxWidgets = 256;
  // The version LCDd's answers carry, so that clients that read it see the one they know.
  static constexpr const char* kServerVersion = "0.5.9";

  struct Geometry {
    int wid = 20;
    int hgt = 2;
  };

  // Where the answers go; set by the owner.
  std::function<void(int client, std::string line)> send;
  std::function<void(int client)> disconnect;
  std::function<Geometry()> geometry;
  // The display's description for "info".
  std::function<std::string()> info;
  // Text to the active display's codes.
  std::function<std::string(std::string_view)> codes;
  // A screen came, went or changed class; or a widget changed.
  std::function<void()> changed;

  void Connected(int client);
  void Line(int client, std::string_view line);
  void Disconnected(int client);

  // Every widget's text mapped again (another display, another ROM).
  void RemapTexts();
  // Removes a screen (its timeout ran out); false when it is not there.
  bool RemoveScreen(int client, uint64_t key);

  const std::map<int, Client>& Clients() const { return clients_; }
  Client* FindClient(int client);
  size_t ScreenCount() const;

 private:
  void Answer(int client, std::string line);
  void Huh(int client, const std::string& reason) { Answer(client, "huh? " + reason); }
  void Command(Client& c, std::vector<std::string>& w);
  void Hello(Client& c);
  void ScreenSet(Client& c, const std::vector<std::string>& w);
  void WidgetAdd(Client& c, const std::vector<std::string>& w);
  void WidgetSet(Client& c, const std::vector<std::string>& w);
  void WidgetDel(Client& c, const std::vector<std::string>& w);
  void MapTexts(Widget& widget);
  void Changed() {
    if (changed) changed();
  }

  std::map<int, Client> clients_;
  uint64_t next_key_ = 1;
};

// A priority as a class name or a number (1-64 foreground, 65-192 info, 193 and above
// background), as the clients send it.
std::optional<Priority> ParsePriority(std::string_view text);

}  // namespace vfd::lcdproc
