#pragma once

#include <string>
#include <vector>

namespace vfd {

// The serial devices present besides the four standard ports, by path, in the order the port
// list shows them. `dev_root` is "/dev" except in tests.
std::vector<std::string> ListSerialDevices(const std::string& dev_root = "/dev");

// Where the display simulator publishes links to its pseudo-terminals, so that the port list
// offers them: $XDG_RUNTIME_DIR/vfdsim, or /tmp/vfdsim-<uid> without a runtime directory.
std::string SimulatorPortDirectory();

}  // namespace vfd
