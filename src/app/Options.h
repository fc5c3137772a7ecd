#pragma once

#include <string>

namespace vfd::app {

// The options both programs take. Unknown options are an error; anything else (Qt's own, such
// as -platform) is left to whoever reads the command line after.
struct Options {
  bool quiet = false;
  bool help = false;
  bool version = false;
  // Where the settings live; empty: the directory the program starts in.
  std::string directory;
  // The first option that could not be taken, with the reason, for the error message.
  std::string error;
};

Options ParseOptions(int argc, char** argv);

// The --help text of `program` ("vfdvorlinx" or "vfdvorlinxd"); `windowed` tells whether it can
// show a window.
std::string UsageText(const std::string& program, bool windowed);

// Enters the settings directory the options name, if any; false with `error` set when it cannot.
bool EnterSettingsDirectory(const Options& options, std::string* error);

}  // namespace vfd::app
