#include <pwd.h>
#include <unistd.h>

#include <array>
#include <cstdlib>

#include "util/cp1251.h"
#include "util/host_names.h"

namespace gvc {

std::string ComputerName() {
    std::array<char, 256> buffer{};
    if (gethostname(buffer.data(), buffer.size() - 1) != 0) return {};
    return Cp1251FromUtf8(buffer.data());
}

std::string SystemUserName() {
    // The account's name, not what the environment claims: the environment is
    // only the fall-back for an account the password database does not know.
    std::array<char, 1024> buffer{};
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_name != nullptr) {
        return Cp1251FromUtf8(found->pw_name);
    }
    for (const char* variable : {"USER", "LOGNAME"}) {
        if (const char* value = std::getenv(variable); value != nullptr && *value != '\0')
            return Cp1251FromUtf8(value);
    }
    return {};
}

}  // namespace gvc
