// Windows: the PC's settings in %ProgramData%\G_Varnest, which every user of
// the PC reads (C:\ProgramData on every Windows since Vista).
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "app/machine_settings.h"
#include "util/cp1251.h"

namespace gvc {

std::string MachineSettingsFolder() {
    wchar_t buffer[MAX_PATH];
    const DWORD n = ::GetEnvironmentVariableW(L"ProgramData", buffer, MAX_PATH);
    std::string folder = "C:\\ProgramData";
    if (n > 0 && n < MAX_PATH) folder = Cp1251FromUtf16(std::u16string(buffer, buffer + n));
    return folder + "\\G_Varnest";
}

}  // namespace gvc
