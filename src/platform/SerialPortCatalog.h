#pragma once

#include <string>
#include <vector>

namespace vfd {

// The serial devices present besides the four standard ports, by path, in the order the port
// list shows them. `dev_root` is "/dev" except in tests.
std::vector<std::string> ListSerialDevices(const std::string& dev_root = "/dev");

}  // namespace vfd
