#include "app/Options.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vfd::app {

Options ParseOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, "--quiet") == 0) {
      o.quiet = true;
    } else if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
      o.help = true;
    } else if (std::strcmp(a, "--version") == 0) {
      o.version = true;
    } else if (std::strcmp(a, "--directory") == 0) {
      if (i + 1 >= argc) {
        if (o.error.empty()) o.error = "option --directory needs a directory";
      } else {
        o.directory = argv[++i];
      }
    } else if (std::strncmp(a, "--directory=", 12) == 0) {
      o.directory = a + 12;
    } else if (std::strncmp(a, "--", 2) == 0 && o.error.empty()) {
      o.error = std::string("unknown option ") + a;
    }
  }
  return o;
}

std::string UsageText(const std::string& program, bool windowed) {
  std::string text = "Usage: " + program +
                     " [--quiet] [--directory DIR]\n"
                     "\n"
                     "Keeps a vacuum fluorescent display on a serial or parallel port busy: a "
                     "ticker, a clock,\n"
                     "The Matrix, brightness effects and more, one display function at a time.\n"
                     "\n";
  if (windowed) {
    text +=
        "The settings are kept in vfdsettings.txt in the directory the program starts in. "
        "Without a\n"
        "display server the program runs without a window and prints the display's picture on\n"
        "standard output; status messages always go to standard error.\n"
        "\n"
        "  --quiet     without a window: print no picture, only status messages\n";
  } else {
    text +=
        "The settings are kept in vfdsettings.txt in the directory the program starts in. It "
        "runs\n"
        "without a window and prints the display's picture on standard output; status messages\n"
        "go to standard error.\n"
        "\n"
        "  --quiet     print no picture, only status messages\n";
  }
  text +=
      "  --directory DIR\n"
      "              keep the settings in DIR instead of the directory the program starts in\n"
      "  --help      show this help and exit\n"
      "  --version   show the version and exit\n";
  return text;
}

bool EnterSettingsDirectory(const Options& options, std::string* error) {
  if (options.directory.empty()) return true;
  if (chdir(options.directory.c_str()) == 0) return true;
  *error = "cannot keep the settings in " + options.directory + ": " + std::strerror(errno);
  return false;
}

}  // namespace vfd::app
