#include "shell/ServicesFile.h"

#include <algorithm>
#include <cctype>

#include "core/Charset.h"

namespace vfd {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
    s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
    s.remove_suffix(1);
  return s;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
  }
  return true;
}

// A base URL is joined with a path that starts with '/', so a trailing slash would double it.
std::string WithoutTrailingSlash(std::string_view url) {
  while (url.ends_with('/'))
    url.remove_suffix(1);
  return std::string(url);
}

// A text of the file as a problem quotes it. The problems go to the status line and, without a
// window, to the terminal, so what the file holds must not reach either as it is: bytes that are
// no UTF-8 are mended, control characters (an escape sequence would act on the terminal) shown
// as '?', and a long value is cut, since the line has room for only so much.
std::string Shown(std::string_view text) {
  constexpr size_t kMaxShown = 60;
  std::u32string chars = DecodeUtf8(text);
  const bool cut = chars.size() > kMaxShown;
  if (cut) chars.resize(kMaxShown);
  for (char32_t& c : chars)
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) c = '?';
  return EncodeUtf8(chars) + (cut ? "..." : "");
}

}  // namespace

bool IsUsableUrl(std::string_view url, bool base_only) {
  size_t scheme = 0;
  if (StartsWithNoCase(url, "http://")) {
    scheme = 7;
  } else if (StartsWithNoCase(url, "https://")) {
    scheme = 8;
  } else {
    return false;
  }
  for (char c : url) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u == 0x7F) return false;
  }
  const std::string_view rest = url.substr(scheme);
  const size_t authority_end = rest.find_first_of("/?#");
  const std::string_view authority = rest.substr(0, authority_end);
  if (authority.find('@') != std::string_view::npos) return false;
  std::string_view host = authority;
  if (const size_t colon = authority.rfind(':');
      colon != std::string_view::npos && authority.find(']') == std::string_view::npos) {
    host = authority.substr(0, colon);
    const std::string_view port = authority.substr(colon + 1);
    if (port.empty() || port.size() > 5 || !std::all_of(port.begin(), port.end(), [](char c) {
          return std::isdigit(static_cast<unsigned char>(c));
        }))
      return false;
    const int number = std::stoi(std::string(port));
    if (number < 1 || number > 65535) return false;
  }
  if (host.empty()) return false;
  if (base_only && authority_end != std::string_view::npos &&
      rest.find_first_of("?#", authority_end) != std::string_view::npos)
    return false;
  return true;
}

bool IsListenAddress(std::string_view address) {
  if (address == "off") return true;
  const size_t colon = address.rfind(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  std::string_view host = address.substr(0, colon);
  const std::string_view port = address.substr(colon + 1);
  if (port.empty() || port.size() > 5 ||
      !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  const int number = std::stoi(std::string(port));
  if (number < 1 || number > 65535) return false;
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
    return std::all_of(host.begin(), host.end(), [](char c) {
      return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.';
    });
  }
  int dots = 0;
  for (char c : host) {
    if (c == '.') {
      ++dots;
    } else if (c < '0' || c > '9') {
      return false;
    }
  }
  return dots == 3;
}

ServicesFileContents ParseServicesFile(std::string_view text) {
  ServicesFileContents out;
  WebServiceUrls& urls = out.urls;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  int line_number = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    ++line_number;
    line = Trim(line);
    if (line.empty() || line.front() == '#') continue;
    const std::string where =
        std::string(kServicesFileName) + " line " + std::to_string(line_number) + ": ";
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      out.problems.push_back(where + "not of the form \"key = value\"");
      continue;
    }
    const std::string key(Trim(line.substr(0, equals)));
    const std::string_view value = Trim(line.substr(equals + 1));
    const auto bad_url = [&] {
      out.problems.push_back(where + "\"" + Shown(value) + "\" is not a usable URL for " + key);
    };
    if (key == "weather") {
      if (value == "open-meteo") {
        urls.weather = "open-meteo";
      } else if (IsUsableUrl(value, true)) {
        urls.weather = WithoutTrailingSlash(value);
      } else {
        bad_url();
      }
    } else if (key == "weather-geocoding" || key == "weather-forecast") {
      if (!IsUsableUrl(value, true)) {
        bad_url();
        continue;
      }
      (key == "weather-geocoding" ? urls.weather_geocoding : urls.weather_forecast) =
          WithoutTrailingSlash(value);
    } else if (key == "hardnews" || key == "shacknews" || key == "update") {
      if (!IsUsableUrl(value, false)) {
        bad_url();
        continue;
      }
      std::string& target = key == "hardnews"    ? urls.hardnews
                            : key == "shacknews" ? urls.shacknews
                                                 : urls.update;
      target = std::string(value);
    } else if (key == "player") {
      urls.player = std::string(value);
    } else if (key == "tides") {
      // The predictions made here, or a service that answers the tide table page.
      if (value != "local" && !IsUsableUrl(value, true)) {
        bad_url();
        continue;
      }
      urls.tides = value == "local" ? std::string(value) : WithoutTrailingSlash(value);
    } else if (key == "tides-data") {
      urls.tides_data = std::string(value);
    } else if (key == "charset" ||
               (key.size() == 9 && key.starts_with("charset-") && key[8] >= '1' && key[8] <= '5')) {
      if (value != "japanese" && value != "european") {
        out.problems.push_back(where + "\"" + Shown(value) + "\" is not a character set (" +
                               "japanese or european) for " + key);
        continue;
      }
      urls.charset[key == "charset" ? 0 : static_cast<size_t>(key[8] - '0')] = std::string(value);
    } else if (key == "lcdproc") {
      if (!IsListenAddress(value)) {
        out.problems.push_back(where + "\"" + Shown(value) +
                               "\" is not an address and port (such as 127.0.0.1:13666) or off "
                               "for lcdproc");
        continue;
      }
      urls.lcdproc = std::string(value);
    } else if (key == "lcdproc-duration" || key == "lcdproc-rotation") {
      const bool rotation = key == "lcdproc-rotation";
      const int most = rotation ? 300 : 3600;
      int number = -1;
      if (!value.empty() && value.size() <= 4 &&
          std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
        number = std::stoi(std::string(value));
      if (number < (rotation ? 0 : 1) || number > most) {
        out.problems.push_back(where + "\"" + Shown(value) + "\" is not a whole number from " +
                               (rotation ? "0" : "1") + " to " + std::to_string(most) + " for " +
                               key);
        continue;
      }
      (rotation ? urls.lcdproc_rotation : urls.lcdproc_duration) = number;
    } else {
      out.problems.push_back(where + "unknown key \"" + Shown(key) + "\"");
    }
  }
  return out;
}

std::string ServicesPathBeside(const std::string& settings_path) {
  const size_t slash = settings_path.rfind('/');
  if (slash == std::string::npos) return kServicesFileName;
  return settings_path.substr(0, slash + 1) + kServicesFileName;
}

}  // namespace vfd
