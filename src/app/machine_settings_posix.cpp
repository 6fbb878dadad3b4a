// POSIX: the PC's settings below $GVC_PROGRAM_DATA (tests, a shared
// installation), else the user's configuration folder.
#include <cstdlib>

#include "app/machine_settings.h"
#include "util/cp1251.h"

namespace gvc {

std::string MachineSettingsFolder() {
    if (const char* dir = std::getenv("GVC_PROGRAM_DATA"); dir != nullptr && *dir != '\0')
        return Cp1251FromUtf8(dir);
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/')
        return Cp1251FromUtf8(std::string(config) + "/g-varnest");
    const char* home = std::getenv("HOME");
    return Cp1251FromUtf8(std::string(home != nullptr && *home != '\0' ? home : ".") + "/.config/g-varnest");
}

}  // namespace gvc
