// The names a calibration record carries: the computer it was made on and the
// user logged in to it. Windows-1251, empty when the system does not say.
#pragma once

#include <string>

namespace gvc {

// The computer's network name (GetComputerName on Windows, the host name elsewhere).
std::string ComputerName();

// The name of the user running the program.
std::string SystemUserName();

}  // namespace gvc
