#include "sources/LcdprocScreens.h"

#include <algorithm>
#include <charconv>

#include "core/Charset.h"

namespace vfd::lcdproc {
namespace {

std::optional<int> Number(std::string_view text) {
  int value = 0;
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

std::optional<WidgetType> ParseType(std::string_view t) {
  static constexpr std::pair<std::string_view, WidgetType> kTypes[] = {
      {"string", WidgetType::kString},
      {"title", WidgetType::kTitle},
      {"hbar", WidgetType::kHbar},
      {"vbar", WidgetType::kVbar},
      {"pbar", WidgetType::kPbar},
      {"icon", WidgetType::kIcon},
      {"scroller", WidgetType::kScroller},
      {"frame", WidgetType::kFrame},
      {"num", WidgetType::kNum}};
  for (const auto& [name, type] : kTypes)
    if (t == name) return type;
  return std::nullopt;
}

bool OneOf(std::string_view value, std::initializer_list<std::string_view> allowed) {
  return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
}

}  // namespace

Widget* Screen::FindWidget(std::string_view widget) {
  for (Widget& w : widgets)
    if (w.id == widget) return &w;
  return nullptr;
}

Screen* Client::FindScreen(std::string_view screen) {
  for (Screen& s : screens)
    if (s.id == screen) return &s;
  return nullptr;
}

std::optional<std::vector<std::string>> SplitWords(std::string_view line, std::string* error) {
  std::vector<std::string> words;
  size_t i = 0;
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (i < line.size()) {
    while (i < line.size() && blank(line[i]))
      ++i;
    if (i >= line.size()) break;
    std::string word;
    if (line[i] == '"' || line[i] == '{') {
      const char close = line[i] == '"' ? '"' : '}';
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char c = line[i++];
        if (c == close) {
          closed = true;
          break;
        }
        if (c == '\\' && i < line.size()) {
          const char e = line[i++];
          switch (e) {
            case 'n':
              c = '\n';
              break;
            case 'r':
              c = '\r';
              break;
            case 't':
              c = '\t';
              break;
            default:
              c = e;  // \" \\ \} and anything else stand for themselves
              break;
          }
        }
        word.push_back(c);
      }
      if (!closed) {
        if (error) *error = "Unterminated quote";
        return std::nullopt;
      }
    } else {
      while (i < line.size() && !blank(line[i])) {
        char c = line[i++];
        if (c == '\\' && i < line.size()) c = line[i++];
        word.push_back(c);
      }
    }
    words.push_back(std::move(word));
  }
  return words;
}

std::string ClientText(std::string_view bytes) {
  if (IsUtf8(bytes)) return std::string(bytes);
  std::string out;
  for (char c : bytes)
    AppendUtf8(out, static_cast<unsigned char>(c));
  return out;
}

std::optional<Priority> ParsePriority(std::string_view t) {
  static constexpr std::pair<std::string_view, Priority> kClasses[] = {
      {"hidden", Priority::kHidden}, {"background", Priority::kBackground},
      {"info", Priority::kInfo},     {"foreground", Priority::kForeground},
      {"alert", Priority::kAlert},   {"input", Priority::kInput}};
  for (const auto& [name, p] : kClasses)
    if (t == name) return p;
  const std::optional<int> n = Number(t);
  if (!n || *n < 1) return std::nullopt;
  if (*n <= 64) return Priority::kForeground;
  if (*n <= 192) return Priority::kInfo;
  return Priority::kBackground;
}

Client* Sessions::FindClient(int client) {
  auto it = clients_.find(client);
  return it == clients_.end() ? nullptr : &it->second;
}

size_t Sessions::ScreenCount() const {
  size_t n = 0;
  for (const auto& [id, c] : clients_)
    n += c.screens.size();
  return n;
}

void Sessions::Connected(int client) {
  clients_[client].id = client;
}

void Sessions::Disconnected(int client) {
  auto it = clients_.find(client);
  if (it == clients_.end()) return;
  const bool had_screens = !it->second.screens.empty();
  clients_.erase(it);
  if (had_screens) Changed();
}

void Sessions::Answer(int client, std::string line) {
  if (send) send(client, std::move(line) + "\n");
}

void Sessions::Line(int client, std::string_view line) {
  Client* c = FindClient(client);
  if (!c) return;
  if (line.ends_with('\r')) line.remove_suffix(1);
  std::string error;
  std::optional<std::vector<std::string>> words = SplitWords(line, &error);
  if (!words) {
    Huh(client, error);
    return;
  }
  if (words->empty()) return;
  Command(*c, *words);
}

void Sessions::Hello(Client& c) {
  c.greeted = true;
  const Geometry g = geometry ? geometry() : Geometry{};
  Answer(c.id, std::string("connect LCDproc ") + kServerVersion + " protocol 0.4 lcd wid " +
                   std::to_string(g.wid) + " hgt " + std::to_string(g.hgt) +
                   " cellwid 5 cellhgt 8");
}

void Sessions::Command(Client& c, std::vector<std::string>& w) {
  const std::string& cmd = w[0];
  const size_t n = w.size();
  if (cmd == "hello") return Hello(c);
  if (!c.greeted) return Huh(c.id, "Please send hello first");
  if (cmd == "noop") return Answer(c.id, "success");
  if (cmd == "bye") {
    if (disconnect) disconnect(c.id);
    return;
  }
  if (cmd == "info") return Answer(c.id, info ? info() : std::string("VFD Vorlinx"));
  if (cmd == "client_set") {
    // Options are read with or without their dash, as LCDd reads them.
    for (size_t i = 1; i < n; ++i) {
      if ((w[i] == "-name" || w[i] == "name") && i + 1 < n) {
        c.name = ClientText(w[++i]);
      } else {
        return Huh(c.id, "Usage: client_set -name <name>");
      }
    }
    if (n < 3) return Huh(c.id, "Usage: client_set -name <name>");
    return Answer(c.id, "success");
  }
  if (cmd == "screen_add") {
    if (n != 2) return Huh(c.id, "Usage: screen_add <screenid>");
    if (c.FindScreen(w[1])) return Huh(c.id, "Screen already exists");
    if (c.screens.size() >= kMaxScreens) return Huh(c.id, "Too many screens");
    Screen s;
    s.id = w[1];
    s.name = w[1];
    s.key = next_key_++;
    const Geometry g = geometry ? geometry() : Geometry{};
    s.wid = g.wid;
    s.hgt = g.hgt;
    c.screens.push_back(std::move(s));
    Answer(c.id, "success");
    return Changed();
  }
  if (cmd == "screen_del") {
    if (n != 2) return Huh(c.id, "Usage: screen_del <screenid>");
    auto it = std::find_if(c.screens.begin(), c.screens.end(),
                           [&](const Screen& s) { return s.id == w[1]; });
    if (it == c.screens.end()) return Huh(c.id, "Invalid screen id");
    c.screens.erase(it);
    Answer(c.id, "success");
    return Changed();
  }
  if (cmd == "screen_set") return ScreenSet(c, w);
  if (cmd == "widget_add") return WidgetAdd(c, w);
  if (cmd == "widget_set") return WidgetSet(c, w);
  if (cmd == "widget_del") return WidgetDel(c, w);
  if (cmd == "key_add" || cmd == "key_del") {
    if (n < 2) return Huh(c.id, "Usage: " + cmd + " <screenid> <key> [<key> ...]");
    Screen* s = c.FindScreen(w[1]);
    if (!s) return Huh(c.id, "Invalid screen id");
    for (size_t i = 2; i < n; ++i) {
      auto at = std::find(s->keys.begin(), s->keys.end(), w[i]);
      if (cmd == "key_add" && at == s->keys.end()) s->keys.push_back(w[i]);
      if (cmd == "key_del" && at != s->keys.end()) s->keys.erase(at);
    }
    return Answer(c.id, "success");
  }
  if (cmd == "client_add_key" || cmd == "client_del_key") {
    // There are no keys to send, so a reservation changes nothing; it is still checked.
    size_t keys = 0;
    for (size_t i = 1; i < n; ++i)
      if (w[i] != "-exclusively" && w[i] != "-shared") ++keys;
    if (keys == 0) return Huh(c.id, "Usage: " + cmd + " [-exclusively|-shared] <key> ...");
    return Answer(c.id, "success");
  }
  if (cmd == "menu_add_item" || cmd == "menu_del_item" || cmd == "menu_set_item" ||
      cmd == "menu_goto" || cmd == "menu_set_main") {
    // The menu opens with a key, and no key is ever pressed here: the items are taken so that
    // clients that build a menu go on working, and never show.
    const size_t least = cmd == "menu_add_item" ? 4 : cmd == "menu_set_main" ? 2 : 2;
    if (n < least) return Huh(c.id, "Usage: " + cmd + " <menuid> ...");
    return Answer(c.id, "success");
  }
  if (cmd == "backlight") {
    if (n != 2 || !OneOf(w[1], {"on", "off", "toggle", "blink", "flash"}))
      return Huh(c.id, "Usage: backlight {on|off|toggle|blink|flash}");
    return Answer(c.id, "success");
  }
  if (cmd == "output") {
    if (n != 2 || (w[1] != "on" && w[1] != "off" && !Number(w[1])))
      return Huh(c.id, "Usage: output {on|off|<num>}");
    return Answer(c.id, "success");
  }
  if (cmd == "sleep") {
    const std::optional<int> secs = n == 2 ? Number(w[1]) : std::nullopt;
    if (!secs || *secs < 1 || *secs > 60) return Huh(c.id, "Usage: sleep <seconds 1..60>");
    return Answer(c.id, "success");
  }
  std::string shown = cmd.substr(0, 40);
  for (char& ch : shown)
    if (static_cast<unsigned char>(ch) < 0x20) ch = '?';
  Huh(c.id, "Invalid command \"" + shown + "\"");
}

void Sessions::ScreenSet(Client& c, const std::vector<std::string>& w) {
  const size_t n = w.size();
  if (n < 2) return Huh(c.id, "Usage: screen_set <screenid> [-name <name>] [-wid <width>] ...");
  Screen* s = c.FindScreen(w[1]);
  if (!s) return Huh(c.id, "Invalid screen id");
  std::string problem;
  bool changed_class = false;
  for (size_t i = 2; i < n; ++i) {
    std::string option = w[i];
    if (option.starts_with('-')) option.erase(0, 1);
    if (i + 1 >= n) {
      problem = "-" + option + " requires a parameter";
      break;
    }
    const std::string& v = w[++i];
    const std::optional<int> num = Number(v);
    if (option == "name") {
      s->name = ClientText(v);
    } else if (option == "wid" || option == "hgt") {
      if (!num || *num < 1) {
        problem = "invalid value for -" + option;
        continue;
      }
      (option == "wid" ? s->wid : s->hgt) = *num;
    } else if (option == "priority") {
      const std::optional<Priority> p = ParsePriority(v);
      if (!p) {
        problem = "invalid argument at -priority";
        continue;
      }
      changed_class = changed_class || s->priority != *p;
      s->priority = *p;
    } else if (option == "heartbeat") {
      if (!OneOf(v, {"on", "off", "open"})) {
        problem = "invalid argument at -heartbeat";
        continue;
      }
      s->heartbeat = v;
    } else if (option == "backlight") {
      if (!OneOf(v, {"on", "off", "toggle", "open", "blink", "flash"})) {
        problem = "invalid argument at -backlight";
        continue;
      }
      s->backlight = v;
    } else if (option == "duration" || option == "timeout") {
      if (!num || *num < 0) {
        problem = "invalid argument at -" + option;
        continue;
      }
      (option == "duration" ? s->duration : s->timeout) = *num;
    } else if (option == "cursor") {
      if (!OneOf(v, {"on", "off", "under", "block"})) {
        problem = "invalid argument at -cursor";
        continue;
      }
      s->cursor = v;
    } else if (option == "cursor_x" || option == "cursor_y") {
      if (!num || *num < 1) {
        problem = "invalid argument at -" + option;
        continue;
      }
      (option == "cursor_x" ? s->cursor_x : s->cursor_y) = *num;
    } else {
      problem = "invalid parameter (" + option.substr(0, 40) + ")";
    }
  }
  if (!problem.empty()) {
    Huh(c.id, problem);
  } else {
    Answer(c.id, "success");
  }
  if (changed_class) Changed();
}

void Sessions::WidgetAdd(Client& c, const std::vector<std::string>& w) {
  const size_t n = w.size();
  if (n != 4 && !(n == 6 && w[4] == "-in"))
    return Huh(c.id, "Usage: widget_add <screenid> <widgetid> <widgettype> [-in <id>]");
  Screen* s = c.FindScreen(w[1]);
  if (!s) return Huh(c.id, "Invalid screen id");
  const std::optional<WidgetType> type = ParseType(w[3]);
  if (!type) return Huh(c.id, "Invalid widget type");
  if (s->FindWidget(w[2])) return Huh(c.id, "Widget already exists");
  if (n == 6) {
    const Widget* frame = s->FindWidget(w[5]);
    if (!frame || frame->type != WidgetType::kFrame) return Huh(c.id, "Invalid frame id");
  }
  size_t widgets = 0;
  for (const Screen& each : c.screens)
    widgets += each.widgets.size();
  if (widgets >= kMaxWidgets) return Huh(c.id, "Too many widgets");
  Widget widget;
  widget.id = w[2];
  widget.type = *type;
  if (n == 6) widget.frame = w[5];
  s->widgets.push_back(std::move(widget));
  Answer(c.id, "success");
}

void Sessions::WidgetDel(Client& c, const std::vector<std::string>& w) {
  if (w.size() != 3) return Huh(c.id, "Usage: widget_del <screenid> <widgetid>");
  Screen* s = c.FindScreen(w[1]);
  if (!s) return Huh(c.id, "Invalid screen id");
  auto it = std::find_if(s->widgets.begin(), s->widgets.end(),
                         [&](const Widget& x) { return x.id == w[2]; });
  if (it == s->widgets.end()) return Huh(c.id, "Invalid widget id");
  const bool frame = it->type == WidgetType::kFrame;
  const std::string id = it->id;
  s->widgets.erase(it);
  // What sat in a frame goes with it.
  if (frame) std::erase_if(s->widgets, [&](const Widget& x) { return x.frame == id; });
  Answer(c.id, "success");
  Changed();
}

void Sessions::WidgetSet(Client& c, const std::vector<std::string>& w) {
  const size_t n = w.size();
  if (n < 3) return Huh(c.id, "Usage: widget_set <screenid> <widgetid> <widget-SPECIFIC-data>");
  Screen* s = c.FindScreen(w[1]);
  if (!s) return Huh(c.id, "Invalid screen id");
  Widget* widget = s->FindWidget(w[2]);
  if (!widget) return Huh(c.id, "Invalid widget id");
  const size_t args = n - 3;
  const auto arg = [&](size_t k) -> const std::string& { return w[3 + k]; };
  // The integers among the arguments, or nothing when one is not a number.
  const auto ints = [&](size_t from, size_t count) -> std::optional<std::vector<int>> {
    std::vector<int> out;
    for (size_t k = from; k < from + count; ++k) {
      const std::optional<int> v = Number(arg(k));
      if (!v) return std::nullopt;
      out.push_back(*v);
    }
    return out;
  };
  Widget& x = *widget;
  switch (x.type) {
    case WidgetType::kString:
    case WidgetType::kIcon:
    case WidgetType::kHbar:
    case WidgetType::kVbar: {
      if (args != 3) return Huh(c.id, "Wrong number of arguments");
      const bool third_is_number = x.type == WidgetType::kHbar || x.type == WidgetType::kVbar;
      const auto v = ints(0, third_is_number ? 3 : 2);
      if (!v) return Huh(c.id, "Invalid coordinates");
      x.x = (*v)[0];
      x.y = (*v)[1];
      if (third_is_number) {
        x.length = std::max(0, (*v)[2]);
      } else if (x.type == WidgetType::kIcon) {
        x.text = arg(2);
      } else {
        x.text = ClientText(arg(2));
      }
      break;
    }
    case WidgetType::kTitle:
      if (args != 1) return Huh(c.id, "Wrong number of arguments");
      x.text = ClientText(arg(0));
      break;
    case WidgetType::kPbar: {
      if (args < 4 || args > 6) return Huh(c.id, "Wrong number of arguments");
      const auto v = ints(0, 4);
      if (!v) return Huh(c.id, "Invalid coordinates");
      x.x = (*v)[0];
      x.y = (*v)[1];
      x.length = std::max(0, (*v)[2]);
      x.promille = std::clamp((*v)[3], 0, 1000);
      x.text = args > 4 ? ClientText(arg(4)) : std::string();
      x.end_label = args > 5 ? ClientText(arg(5)) : std::string();
      break;
    }
    case WidgetType::kScroller: {
      if (args != 7) return Huh(c.id, "Wrong number of arguments");
      const auto v = ints(0, 4);
      const std::optional<int> speed = Number(arg(5));
      if (!v || !speed) return Huh(c.id, "Invalid coordinates");
      if (arg(4) != "h" && arg(4) != "v" && arg(4) != "m") return Huh(c.id, "Invalid direction");
      x.x = (*v)[0];
      x.y = (*v)[1];
      x.right = (*v)[2];
      x.bottom = (*v)[3];
      x.direction = arg(4)[0];
      x.speed = *speed;
      x.text = ClientText(arg(6));
      break;
    }
    case WidgetType::kFrame: {
      if (args != 8) return Huh(c.id, "Wrong number of arguments");
      const auto v = ints(0, 6);
      const std::optional<int> speed = Number(arg(7));
      if (!v || !speed) return Huh(c.id, "Invalid coordinates");
      if (arg(6) != "h" && arg(6) != "v") return Huh(c.id, "Invalid direction");
      x.x = (*v)[0];
      x.y = (*v)[1];
      x.right = (*v)[2];
      x.bottom = (*v)[3];
      x.wid = std::max(0, (*v)[4]);
      x.hgt = std::max(0, (*v)[5]);
      x.direction = arg(6)[0];
      x.speed = *speed;
      break;
    }
    case WidgetType::kNum: {
      if (args != 2) return Huh(c.id, "Wrong number of arguments");
      const auto v = ints(0, 2);
      if (!v) return Huh(c.id, "Invalid coordinates");
      if ((*v)[1] < 0 || (*v)[1] > 10) return Huh(c.id, "Invalid number");
      x.x = (*v)[0];
      x.value = (*v)[1];
      break;
    }
  }
  x.set = true;
  MapTexts(x);
  Answer(c.id, "success");
  Changed();
}

void Sessions::MapTexts(Widget& widget) {
  if (widget.type == WidgetType::kIcon) return;
  widget.codes = codes ? codes(widget.text) : widget.text;
  widget.end_codes = codes ? codes(widget.end_label) : widget.end_label;
}

void Sessions::RemapTexts() {
  for (auto& [id, c] : clients_)
    for (Screen& s : c.screens)
      for (Widget& w : s.widgets)
        MapTexts(w);
}

bool Sessions::RemoveScreen(int client, uint64_t key) {
  Client* c = FindClient(client);
  if (!c) return false;
  const size_t before = c->screens.size();
  std::erase_if(c->screens, [&](const Screen& s) { return s.key == key; });
  if (c->screens.size() == before) return false;
  Changed();
  return true;
}

}  // namespace vfd::lcdproc
