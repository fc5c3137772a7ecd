#include "app/ConsoleDialogs.h"

#include <cstdio>

namespace vfd::app {

void ConsoleMessageBoxes::ShowMessage(const std::string& text, const std::string& title) {
  const std::string line = title + ": " + text + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace vfd::app
