#include "platform/SerialPortCatalog.h"

namespace vfd {

std::vector<std::string> ListSerialDevices(const std::string&) { return {}; }

std::string SimulatorPortDirectory() { return {}; }

}  // namespace vfd
