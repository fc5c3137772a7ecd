#include "effects/VerticalScroll.h"

namespace vfd {

void VerticalScroll::Tick() {
  size_t w, n;
  switch (display_.screen_type) {
    case kScreen2x20:
      w = 20, n = 2;
      break;
    case kScreen2x40:
      w = 40, n = 2;
      break;
    case kScreen4x20:
      w = 20, n = 4;
      break;
    case kScreen2x24:
      w = 24, n = 2;
      break;
    default:
      return;
  }
  std::string& m = ticker_.current_message;
  std::string text;
  if (m.size() > n * w) {
    if (m.size() % w != 0) m.append(w - m.size() % w, ' ');
    m = m.substr(w) + m.substr(0, w);
    text = m;
  } else {
    text = m + std::string(n * w - m.size(), ' ');
  }
  auto line = [&](size_t k) { return text.substr(k * w, w); };
  if (n == 4)
    display_.Write4x20(line(0), line(1), line(2), line(3));
  else
    display_.WriteLines(line(0), line(1));
}

}  // namespace vfd
