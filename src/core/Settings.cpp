#include "core/Settings.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "core/Charset.h"

namespace vfd {
namespace {

// Walks the 100 fields in file order. One list serves both reading and writing, so the two can
// never disagree about what stands on which line.
template <typename S, typename V>
void VisitFields(S& s, V& v) {
  v.Text(s.SettingsVersion);
  v.Text(s.ComPort);
  v.Text(s.ComSpeed);
  v.Int(s.ParallelPortBase);
  v.Int(s.DisplayModelCode);
  v.Int(s.ScreenTypeCode);
  v.IntReadAsText(s.MainWindowState);
  v.Text(s.UpdateCheckCaption);
  v.Text(s.MatrixDirection);
  v.Int(s.WinampMode);
  v.Int(s.WinampAltFunction);
  v.Bool(s.WinampSwitchWhenStopped);
  v.Text(s.WinampTitleStyle);
  v.Text(s.WinampTimeStyle);
  v.Text(s.ClockModeCaption);
  v.Text(s.LiquifyCaption);
  v.Text(s.ExitSleepCaption);
  v.Text(s.CrackOnLoadCaption);
  v.Text(s.KnightriderCaption);
  v.Text(s.GlowCaption);
  v.Text(s.AutoTimerCaption);
  v.Int(s.WinampScrollInterval);
  v.Text(s.MessageText);
  v.Text(s.StartFunctionCode);
  v.Int(s.BrightnessLevel);
  for (auto& x : s.MbmSensor)
    v.Text(x);
  for (auto& x : s.MbmLabel)
    v.Text(x);
  for (auto& x : s.RotationTimes)
    v.Int(x);
  v.Text(s.TideLocation);
  v.Int(s.TideRefreshTicks);
  v.Int(s.HardNewsRefreshTicks);
  v.Int(s.HardNewsMode);
  v.Int(s.HardNewsScrollInterval);
  v.Int(s.HardNewsItemChangeSpeed);
  v.Int(s.ShackNewsRefreshTicks);
  v.Int(s.ShackNewsMode);
  v.Int(s.ShackNewsScrollInterval);
  v.Int(s.ShackNewsItemChangeSpeed);
  v.Text(s.CountdownEvent);
  v.Int(s.CountdownYear);
  v.Int(s.CountdownMonth);
  v.Int(s.CountdownDay);
  v.Text(s.WeatherLocation);
  for (auto& x : s.WeatherField)
    v.Text(x);
  for (auto& x : s.WeatherLabel)
    v.Text(x);
  for (auto& x : s.AutoTimerTimes)
    v.Time(x);
  for (auto& x : s.AutoTimerFunctions)
    v.Int(x);
}

// A numeric reference "&#1052;" at `at`: its length and the character, or 0.
size_t ReferenceAt(std::string_view text, size_t at, char32_t* cp) {
  if (text.compare(at, 2, "&#") != 0) return 0;
  size_t end = at + 2;
  uint32_t value = 0;
  while (end < text.size() && end - at < 10 && text[end] >= '0' && text[end] <= '9')
    value = value * 10 + static_cast<uint32_t>(text[end++] - '0');
  if (end == at + 2 || end >= text.size() || text[end] != ';') return 0;
  if (value < 0x20 || (value >= 0x7F && value < 0xA0) || (value >= 0xD800 && value <= 0xDFFF) ||
      value > 0x10FFFF)
    return 0;
  *cp = value;
  return end + 1 - at;
}

// Texts are held as UTF-8 and stored in the system code page, as the file has always been. A
// character the code page lacks (a message in Cyrillic or kana) is stored as a numeric reference,
// "&#1052;", so that it comes back at the next start instead of as '?'; an '&' that would read as
// the start of one is stored as "&#38;".
std::string ToStoredText(std::string_view value) {
  std::string out;
  size_t i = 0;
  while (i < value.size()) {
    char32_t ignored = 0;
    if (ReferenceAt(value, i, &ignored) != 0) {
      out += "&#38;";
      ++i;
      continue;
    }
    size_t end = i + 1;
    while (end < value.size() && (static_cast<uint8_t>(value[end]) & 0xC0) == 0x80)
      ++end;
    const std::string_view one = value.substr(i, end - i);
    const std::string stored = Utf8ToCp1252(one);
    if (stored == "?" && one != "?") {
      for (char32_t cp : DecodeUtf8(one))
        out += "&#" + std::to_string(static_cast<uint32_t>(cp)) + ";";
    } else {
      out += stored;
    }
    i = end;
  }
  return out;
}

std::string FromStoredText(std::string_view raw) {
  std::string out;
  for (size_t i = 0; i < raw.size();) {
    char32_t cp = 0;
    if (const size_t length = ReferenceAt(raw, i, &cp); length != 0) {
      AppendUtf8(out, cp);
      i += length;
    } else {
      out.push_back(raw[i++]);
    }
  }
  return out;
}

class Writer {
 public:
  void Text(const std::string& value) {
    out_.push_back('"');
    for (char c : ToStoredText(value)) {
      if (c == '"')
        out_.push_back('\'');
      else if (c == '\r' || c == '\n')
        out_.push_back(' ');
      else
        out_.push_back(c);
    }
    out_.push_back('"');
    End();
  }
  void Int(int16_t value) {
    out_ += std::to_string(value);
    End();
  }
  void IntReadAsText(int16_t value) { Int(value); }
  void Bool(bool value) {
    out_ += value ? "#TRUE#" : "#FALSE#";
    End();
  }
  void Time(const TimeOfDay& t) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "#%02d:%02d:%02d#", t.hour, t.minute, t.second);
    out_ += buf;
    End();
  }
  std::string Take() { return std::move(out_); }

 private:
  void End() { out_ += "\r\n"; }
  std::string out_;
};

// Fields are separated by commas or line ends. A quoted field runs to its closing quote, commas
// and blanks included; a field between '#' runs to the closing '#'; any other field runs to the
// next comma or line end, without surrounding blanks.
class Reader {
 public:
  explicit Reader(std::string_view in) : in_(in) {}

  void Text(std::string& value) {
    std::string raw;
    if (Next(raw)) value = FromStoredText(raw);
  }
  void Int(int16_t& value) {
    std::string raw;
    if (!Next(raw)) return;
    if (raw.empty()) {  // an empty field reads as 0
      value = 0;
      return;
    }
    int parsed = 0;
    const char* begin = raw.data();
    const char* end = raw.data() + raw.size();
    if (*begin == '+') ++begin;
    auto [ptr, ec] = std::from_chars(begin, end, parsed);
    if (ec != std::errc() || ptr != end || parsed < -32768 || parsed > 32767 || hashed_) {
      Fail("not a whole number between -32768 and 32767: " + raw);
      return;
    }
    value = static_cast<int16_t>(parsed);
  }
  // Read as text, then taken as a number from its leading digits (nothing numeric gives 0).
  void IntReadAsText(int16_t& value) {
    std::string raw;
    if (Next(raw)) value = LeadingNumber(raw);
  }
  void Bool(bool& value) {
    std::string raw;
    if (!Next(raw)) return;
    if (hashed_ && raw == "TRUE") {
      value = true;
    } else if (hashed_ && raw == "FALSE") {
      value = false;
    } else {
      Fail("not #TRUE# or #FALSE#");
    }
  }
  void Time(TimeOfDay& t) {
    std::string raw;
    if (!Next(raw)) return;
    int h = 0, m = 0, s = 0;
    char tail = 0;
    if (!hashed_ || raw.size() != 8 ||
        std::sscanf(raw.c_str(), "%2d:%2d:%2d%c", &h, &m, &s, &tail) != 3 || raw[2] != ':' ||
        raw[5] != ':' || h > 23 || m > 59 || s > 59 || h < 0 || m < 0 || s < 0) {
      Fail("not a time of day #HH:MM:SS#");
      return;
    }
    t = TimeOfDay{h, m, s};
  }

  // After the last value only blank space may follow; anything else means the file is not what
  // this program wrote (two files run together, or a value with a line break in it).
  void ExpectEnd() {
    if (!error_.empty()) return;
    if (in_.find_first_not_of(" \t\r\n", pos_) == std::string_view::npos) return;
    ++field_;
    Fail("text after the last value");
  }

  bool ok() const { return error_.empty(); }
  int field() const { return field_; }
  const std::string& error() const { return error_; }

 private:
  // The next field's raw text; false when reading has failed (now or earlier).
  bool Next(std::string& raw) {
    if (!error_.empty()) return false;
    ++field_;
    hashed_ = false;
    while (pos_ < in_.size() && (in_[pos_] == ' ' || in_[pos_] == '\t'))
      ++pos_;
    if (pos_ >= in_.size()) {
      Fail("the file ends before this value");
      return false;
    }
    char first = in_[pos_];
    if (first == '"' || first == '#') {
      size_t close = in_.find(first, pos_ + 1);
      size_t line_end = in_.find_first_of("\r\n", pos_ + 1);
      if (close == std::string_view::npos || (first == '#' && close > line_end)) {
        Fail("no closing " + std::string(1, first));
        return false;
      }
      raw.assign(in_.substr(pos_ + 1, close - pos_ - 1));
      hashed_ = first == '#';
      pos_ = close + 1;
      // Whatever stands between the closing mark and the separator is ignored.
      while (pos_ < in_.size() && in_[pos_] != ',' && in_[pos_] != '\r' && in_[pos_] != '\n')
        ++pos_;
    } else {
      size_t end = pos_;
      while (end < in_.size() && in_[end] != ',' && in_[end] != '\r' && in_[end] != '\n')
        ++end;
      raw.assign(in_.substr(pos_, end - pos_));
      while (!raw.empty() && (raw.back() == ' ' || raw.back() == '\t'))
        raw.pop_back();
      pos_ = end;
    }
    SkipSeparator();
    return true;
  }

  void SkipSeparator() {
    if (pos_ >= in_.size()) return;
    if (in_[pos_] == ',') {
      ++pos_;
    } else {
      if (in_[pos_] == '\r') ++pos_;
      if (pos_ < in_.size() && in_[pos_] == '\n') ++pos_;
    }
  }

  void Fail(std::string why) {
    if (error_.empty()) error_ = std::move(why);
  }

  std::string_view in_;
  size_t pos_ = 0;
  int field_ = 0;
  bool hashed_ = false;
  std::string error_;
};

}  // namespace

int16_t LeadingNumber(std::string_view text) {
  size_t i = text.find_first_not_of(' ');
  if (i == std::string_view::npos) return 0;
  const bool negative = text[i] == '-';
  if (negative || text[i] == '+') ++i;
  int value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && value <= 32768; ++i)
    value = value * 10 + (text[i] - '0');
  value = negative ? std::max(-value, -32768) : std::min(value, 32767);
  return static_cast<int16_t>(value);
}

std::string FormatSettings(const Settings& settings) {
  Writer writer;
  VisitFields(settings, writer);
  std::string text = writer.Take();
  // The reader takes a file that is valid UTF-8 for one an editor saved so, and some texts in
  // the code page happen to be ("\xC3\xA9" is "Ã©"): that file would come back changed. Its
  // characters beyond ASCII, all inside texts, are then stored as references instead.
  if (!IsUtf8BeyondAscii(text)) return text;
  std::string ascii;
  for (char c : text) {
    if (static_cast<uint8_t>(c) < 0x80) {
      ascii.push_back(c);
      continue;
    }
    for (char32_t cp : DecodeUtf8(Cp1252ToUtf8(std::string_view(&c, 1))))
      ascii += "&#" + std::to_string(static_cast<uint32_t>(cp)) + ";";
  }
  return ascii;
}

SettingsParse ParseSettings(std::string_view content) {
  SettingsParse result;
  // The file is in the system code page as this program writes it; one an editor saved as
  // UTF-8 (perhaps with a byte-order mark) is understood too.
  const std::string text = TextOfFile(content);
  Reader reader(text);
  VisitFields(result.settings, reader);
  reader.ExpectEnd();
  result.ok = reader.ok();
  if (!result.ok) {
    result.field = reader.field();
    result.error = reader.error();
  }
  return result;
}

std::string ReadSettingsVersion(std::string_view content) {
  const std::string text = TextOfFile(content);
  Reader reader(text);
  std::string version;
  reader.Text(version);
  return reader.ok() ? version : std::string();
}

}  // namespace vfd
