#include "sources/LcdprocClients.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace vfd {
namespace {

using lcdproc::Priority;
using lcdproc::Screen;
using lcdproc::Widget;
using lcdproc::WidgetType;

// Moves made by stroke `stroke` at a client's speed: positive, strokes per move; negative, moves
// per stroke; 0, none.
uint64_t Moves(int speed, uint64_t stroke) {
  if (speed > 0) return stroke / static_cast<uint64_t>(speed);
  if (speed < 0) return stroke * static_cast<uint64_t>(-static_cast<int64_t>(speed));
  return 0;
}

// `text` within `width` columns, sliding back and forth when it is longer.
std::string Bounce(const std::string& text, size_t width, uint64_t moves) {
  if (text.size() <= width) return text;
  const uint64_t span = text.size() - width;
  const uint64_t p = moves % (2 * span);
  return text.substr(static_cast<size_t>(p <= span ? p : 2 * span - p), width);
}

// `text` running round within `width` columns, as a marquee does.
std::string Marquee(std::string text, size_t width, uint64_t moves) {
  if (text.empty() || width == 0) return {};
  if (text.size() < width) text.resize(width, ' ');
  const size_t at = static_cast<size_t>(moves % text.size());
  return (text + text).substr(at, width);
}

void Put(std::vector<std::string>& grid, int x, int y, std::string_view codes) {
  if (y < 0 || y >= static_cast<int>(grid.size())) return;
  std::string& row = grid[static_cast<size_t>(y)];
  for (size_t i = 0; i < codes.size(); ++i) {
    const long col = x + static_cast<long>(i);
    if (col < 0) continue;
    if (col >= static_cast<long>(row.size())) break;
    row[static_cast<size_t>(col)] = codes[i];
  }
}

// The big digits of the 4-row display, three columns by four rows ('#' a filled cell); the
// colon is one column wide.
constexpr std::array<std::array<const char*, 4>, 11> kBigDigits = {{
    {"###", "# #", "# #", "###"},
    {" ##", "  #", "  #", "  #"},
    {"###", " ##", "#  ", "###"},
    {"###", " ##", "  #", "###"},
    {"# #", "###", "  #", "  #"},
    {"###", "## ", "  #", "###"},
    {"#  ", "###", "# #", "###"},
    {"###", "  #", "  #", "  #"},
    {"###", "###", "# #", "###"},
    {"###", "# #", "###", "  #"},
    {" ", "#", " ", "#"},
}};

struct IconSign {
  std::string_view name;
  std::string_view sign;  // UTF-8, as the display's character set has it or comes nearest
  char plain;             // where the set has nothing for the sign
};
constexpr IconSign kIcons[] = {
    {"HEART_OPEN", "\u2661", 'o'},
    {"HEART_FILLED", "\u2665", '*'},
    {"ARROW_UP", "\u2191", '^'},
    {"ARROW_DOWN", "\u2193", 'v'},
    {"ARROW_LEFT", "\u2190", '<'},
    {"ARROW_RIGHT", "\u2192", '>'},
    {"CHECKBOX_OFF", "\u2610", 'o'},
    {"CHECKBOX_ON", "\u2611", 'x'},
    {"CHECKBOX_GRAY", "\u2592", '-'},
    {"SELECTOR_AT_LEFT", "\u25B6", '>'},
    {"SELECTOR_AT_RIGHT", "\u25C0", '<'},
    {"ELLIPSIS", "\u2026", '_'},
    {"STOP", "\u25A0", '#'},
    {"PAUSE", "\u2016", '|'},
    {"PLAY", "\u25B6", '>'},
    {"PLAYR", "\u25C0", '<'},
    {"FF", "\u00BB", '>'},
    {"FR", "\u00AB", '<'},
    {"NEXT", "\u00BB", '>'},
    {"PREV", "\u00AB", '<'},
    {"REC", "\u25CF", 'o'},
};

bool UsesCells(const Screen& s) {
  for (const Widget& w : s.widgets) {
    switch (w.type) {
      case WidgetType::kHbar:
      case WidgetType::kVbar:
      case WidgetType::kPbar:
      case WidgetType::kTitle:
      case WidgetType::kNum:
      case WidgetType::kIcon:
        return true;
      default:
        break;
    }
  }
  return false;
}

bool ParseAddress(const std::string& address, std::string* host, int* port) {
  const size_t colon = address.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  *host = address.substr(0, colon);
  if (host->size() > 2 && host->front() == '[' && host->back() == ']')
    *host = host->substr(1, host->size() - 2);
  const std::string digits = address.substr(colon + 1);
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), *port);
  return ec == std::errc() && end == digits.data() + digits.size() && *port > 0 && *port < 65536;
}

}  // namespace

LcdprocClients::LcdprocClients(Controls controls, DisplayLink& display, ProgressBars& bars,
                               LineServer& server)
    : c_(controls), display_(display), bars_(bars), server_(server) {
  sessions_.send = [this](int client, std::string line) { server_.Send(client, std::move(line)); };
  sessions_.disconnect = [this](int client) { server_.Disconnect(client); };
  sessions_.geometry = [this] {
    const ScreenRow* row = FindScreen(display_.screen_type);
    return row ? lcdproc::Sessions::Geometry{row->columns, row->rows}
               : lcdproc::Sessions::Geometry{};
  };
  sessions_.info = [this] {
    const ModelRow* row = FindModel(display_.display_model);
    return std::string("VFD Vorlinx ") + (row ? std::string(row->list_text) : "no display");
  };
  sessions_.codes = [this](std::string_view text) { return display_.TextCodes(text); };
  sessions_.changed = [this] { CheckTakeover(); };
  tmrLcdproc_.on_tick = [this] { Stroke(false); };
  // The screen on the glass leaves it when the function stops; a frame drawn before another
  // function ran is no guide to what the glass shows now.
  c_.Timer19.changed.Connect([this] {
    last_frame_.clear();
    if (!c_.Timer19.Enabled() && !taken_) Show({});
  });
  display_.charset_changed.Connect([this] {
    sessions_.RemapTexts();
    last_frame_.clear();
  });
  display_.reconnected.Connect([this] { last_frame_.clear(); });
}

LcdprocClients::~LcdprocClients() {
  StopListening();
}

FunctionRegistration LcdprocClients::Registration() {
  return {.code = kCode,
          .button = &c_.cmdLcdproc,
          .timer = &c_.Timer19,
          .first_frame = FirstFrame::kAfter,
          .tick = [this] { Tick(); },
          .available = [this] { return HasScreens(); }};
}

void LcdprocClients::Listen(const std::string& address) {
  StopListening();
  address_ = address;
  if (address == "off") return;
  std::string host;
  int port = 0;
  if (!ParseAddress(address, &host, &port)) {
    display_.ReportStatus("LCDproc server: \"" + address + "\" is not an address and port");
    return;
  }
  LineServer::Handlers handlers{
      .connected = [this](int client) { sessions_.Connected(client); },
      .line = [this](int client, std::string line) { sessions_.Line(client, line); },
      .disconnected = [this](int client) { sessions_.Disconnected(client); }};
  std::string error;
  listening_ = server_.Listen(host, port, std::move(handlers), &error);
  if (!listening_)
    display_.ReportStatus("LCDproc server: cannot listen on " + address + ": " + error);
}

void LcdprocClients::StopListening() {
  if (!listening_) return;
  listening_ = false;
  server_.Stop();
}

bool LcdprocClients::HasScreens() const {
  for (const auto& [id, client] : sessions_.Clients())
    for (const Screen& s : client.screens)
      if (s.priority != Priority::kHidden) return true;
  return false;
}

Screen* LcdprocClients::Find(const Pick& pick) {
  if (pick.key == 0) return nullptr;
  lcdproc::Client* client = sessions_.FindClient(pick.client);
  if (!client) return nullptr;
  for (Screen& s : client->screens)
    if (s.key == pick.key) return &s;
  return nullptr;
}

const Screen* LcdprocClients::ShownScreen() {
  return Find(shown_);
}

LcdprocClients::Pick LcdprocClients::Choose(bool function_running) {
  Priority top = Priority::kHidden;
  for (const auto& [id, client] : sessions_.Clients())
    for (const Screen& s : client.screens)
      top = std::max(top, s.priority);
  if (top == Priority::kHidden) return {};
  if (!function_running && top < Priority::kForeground) return {};
  // The candidates in the order they were added.
  std::vector<std::pair<uint64_t, int>> order;
  for (const auto& [id, client] : sessions_.Clients())
    for (const Screen& s : client.screens)
      if (s.priority == top) order.emplace_back(s.key, id);
  std::sort(order.begin(), order.end());
  // Alerts and input do not rotate: the newest holds the glass.
  if (top >= Priority::kAlert) {
    if (shown_.key != order.back().first) turn_left_ = 0;
    return {order.back().second, order.back().first};
  }
  auto current = std::find_if(order.begin(), order.end(),
                              [&](const auto& o) { return o.first == shown_.key; });
  if (current != order.end() && --turn_left_ > 0) return shown_;
  auto next = current == order.end()
                  ? std::upper_bound(order.begin(), order.end(), std::make_pair(shown_.key, 0))
                  : std::next(current);
  if (next == order.end()) next = order.begin();
  const Pick pick{next->second, next->first};
  const Screen* s = Find(pick);
  turn_left_ = s && s->duration > 0 ? s->duration : default_duration;
  return pick;
}

void LcdprocClients::Show(const Pick& pick) {
  if (pick.key == shown_.key && pick.client == shown_.client) return;
  if (const Screen* old = Find(shown_)) server_.Send(shown_.client, "ignore " + old->id + "\n");
  shown_ = pick;
  if (const Screen* now = Find(shown_)) {
    server_.Send(shown_.client, "listen " + now->id + "\n");
    if (now->priority == Priority::kAlert) turn_left_ = now->duration;
  }
}

void LcdprocClients::Tick() {
  Stroke(true);
}

void LcdprocClients::Stroke(bool function_running) {
  ++stroke_;
  Show(Choose(function_running));
  Screen* s = Find(shown_);
  Write(s ? Render(*s, stroke_) : WaitingRows());
  if (!s) return;
  const Pick pick = shown_;
  // An alert holds the glass for its duration, then takes its place among the others.
  if (s->priority == Priority::kAlert && s->duration > 0 && --turn_left_ <= 0) {
    s->priority = Priority::kInfo;
    turn_left_ = 0;
    CheckTakeover();
  }
  if (Screen* still = Find(pick); still && still->timeout > 0 && --still->timeout == 0) {
    const std::string id = still->id;
    sessions_.RemoveScreen(pick.client, pick.key);
    if (shown_.key == pick.key) {
      server_.Send(pick.client, "ignore " + id + "\n");
      shown_ = {};
    }
  }
}

void LcdprocClients::CheckTakeover() {
  bool want = false;
  for (const auto& [id, client] : sessions_.Clients())
    for (const Screen& s : client.screens)
      want = want || s.priority >= Priority::kForeground;
  if (want && !taken_) {
    taken_ = true;
    if (take_glass) take_glass();
    last_frame_.clear();
    tmrLcdproc_.SetEnabled(true);
    Stroke(false);
  } else if (!want && taken_) {
    taken_ = false;
    tmrLcdproc_.SetEnabled(false);
    Show({});
    last_frame_.clear();
    if (give_back_glass) give_back_glass();
  }
}

std::vector<std::string> LcdprocClients::WaitingRows() const {
  const ScreenRow* row = FindScreen(display_.screen_type);
  const bool wide = row && row->columns >= 40;
  if (address_ == "off") return {"LCDproc server off", ""};
  if (!listening_) return {"LCDproc server", "not listening"};
  if (!sessions_.Clients().empty()) {
    const size_t n = sessions_.Clients().size();
    return {"LCDproc: " + std::to_string(n) + (n == 1 ? " client" : " clients"),
            "no screen to show"};
  }
  return {wide ? "Waiting for LCDproc clients" : "Waiting for clients", "on " + address_};
}

void LcdprocClients::Write(const std::vector<std::string>& rows) {
  if (asleep && asleep()) return;
  if (rows == last_frame_) return;
  last_frame_ = rows;
  const auto at = [&](size_t i) -> std::string_view {
    return i < rows.size() ? std::string_view(rows[i]) : std::string_view();
  };
  switch (display_.screen_type) {
    case kScreen2x20:
      display_.Write2x20(at(0), at(1));
      break;
    case kScreen2x40:
      display_.Write2x40(at(0), at(1));
      break;
    case kScreen4x20:
      display_.Write4x20(at(0), at(1), at(2), at(3));
      break;
    case kScreen2x24:
      display_.Write2x24(at(0), at(1));
      break;
    default:
      break;
  }
}

std::vector<std::string> LcdprocClients::Render(const Screen& screen, uint64_t stroke) {
  const ScreenRow* row = FindScreen(display_.screen_type);
  if (!row) return {};
  if (UsesCells(screen)) bars_.PrepareCells();
  std::vector<std::string> grid(static_cast<size_t>(row->rows),
                                std::string(static_cast<size_t>(row->columns), ' '));
  DrawWidgets(grid, screen, "", stroke, 0);
  return grid;
}

void LcdprocClients::DrawWidgets(std::vector<std::string>& grid, const Screen& screen,
                                 const std::string& frame, uint64_t stroke, int depth) {
  const int width = grid.empty() ? 0 : static_cast<int>(grid[0].size());
  const int height = static_cast<int>(grid.size());
  const char full = bars_.FilledCell();
  for (const Widget& w : screen.widgets) {
    if (!w.set || w.frame != frame) continue;
    const int x = w.x - 1, y = w.y - 1;
    switch (w.type) {
      case WidgetType::kString:
        Put(grid, x, y, w.codes);
        break;
      case WidgetType::kTitle: {
        // A title bar across the top row: two cells of bar, the title, bar to the end.
        std::string line(static_cast<size_t>(width), full);
        const size_t room = width > 6 ? static_cast<size_t>(width - 6) : 0;
        const std::string text = Bounce(w.codes, room, stroke / 4);
        if (width > 4) {
          line.replace(2, text.size() + 2, " " + text + " ");
          line.resize(static_cast<size_t>(width));
        }
        Put(grid, 0, 0, line);
        break;
      }
      case WidgetType::kHbar:
        Put(grid, x, y, std::string(static_cast<size_t>((w.length + 2) / 5), full));
        break;
      case WidgetType::kVbar:
        for (int k = 0; k < (w.length + 4) / 8; ++k)
          Put(grid, x, y - k, std::string(1, full));
        break;
      case WidgetType::kPbar: {
        const int cells = std::max<int>(
            0, w.length - static_cast<int>(w.codes.size()) - static_cast<int>(w.end_codes.size()));
        const int filled = (w.promille * cells + 500) / 1000;
        std::string bar = w.codes + std::string(static_cast<size_t>(filled), full) +
                          std::string(static_cast<size_t>(cells - filled), bars_.EmptyCell()) +
                          w.end_codes;
        Put(grid, x, y, bar);
        break;
      }
      case WidgetType::kIcon: {
        char sign = '?';
        if (w.text == "BLOCK_FILLED") {
          sign = full;
        } else {
          for (const IconSign& icon : kIcons) {
            if (icon.name != w.text) continue;
            const std::string codes = display_.TextCodes(icon.sign);
            sign = codes.size() == 1 && codes[0] != '?' ? codes[0] : icon.plain;
          }
        }
        Put(grid, x, y, std::string(1, sign));
        break;
      }
      case WidgetType::kScroller: {
        const int left = w.x - 1, top = w.y - 1;
        const size_t cols = static_cast<size_t>(std::max(1, w.right - w.x + 1));
        const int rows = std::max(1, w.bottom - w.y + 1);
        const uint64_t moves = Moves(w.speed, stroke);
        if (w.direction == 'v') {
          std::vector<std::string> lines;
          for (size_t at = 0; at < w.codes.size(); at += cols)
            lines.push_back(w.codes.substr(at, cols));
          if (lines.empty()) break;
          const size_t first = lines.size() <= static_cast<size_t>(rows)
                                   ? 0
                                   : static_cast<size_t>(moves % lines.size());
          for (int r = 0; r < rows && r < static_cast<int>(lines.size()); ++r)
            Put(grid, left, top + r, lines[(first + static_cast<size_t>(r)) % lines.size()]);
        } else if (w.direction == 'm') {
          Put(grid, left, top, Marquee(w.codes, cols, moves));
        } else {
          Put(grid, left, top, Bounce(w.codes, cols, moves));
        }
        break;
      }
      case WidgetType::kFrame: {
        if (depth >= 4) break;
        const int cols = std::max(1, w.right - w.x + 1);
        const int rows = std::max(1, w.bottom - w.y + 1);
        const int vw = std::max(cols, w.wid), vh = std::max(rows, w.hgt);
        std::vector<std::string> inner(static_cast<size_t>(vh),
                                       std::string(static_cast<size_t>(vw), ' '));
        DrawWidgets(inner, screen, w.id, stroke, depth + 1);
        const uint64_t moves = Moves(w.speed, stroke);
        const int dx = w.direction == 'h' ? static_cast<int>(moves % (vw - cols + 1)) : 0;
        const int dy = w.direction == 'v' ? static_cast<int>(moves % (vh - rows + 1)) : 0;
        for (int r = 0; r < rows; ++r)
          Put(grid, w.x - 1, w.y - 1 + r,
              inner[static_cast<size_t>(r + dy)].substr(static_cast<size_t>(dx),
                                                        static_cast<size_t>(cols)));
        break;
      }
      case WidgetType::kNum: {
        if (height >= 4) {
          const auto& digit = kBigDigits[static_cast<size_t>(w.value)];
          for (int r = 0; r < 4; ++r) {
            std::string cells(digit[static_cast<size_t>(r)]);
            for (char& ch : cells)
              ch = ch == '#' ? full : ' ';
            Put(grid, x, r, cells);
          }
        } else {
          Put(grid, x, 0, std::string(1, w.value == 10 ? ':' : static_cast<char>('0' + w.value)));
        }
        break;
      }
    }
  }
}

}  // namespace vfd
