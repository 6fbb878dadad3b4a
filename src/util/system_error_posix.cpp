#include <cerrno>
#include <system_error>

#include "util/cp1251.h"
#include "util/system_error.h"

namespace gvc {

int LastSystemError() {
    return errno;
}

std::string SystemErrorText(int code) {
    if (code == 0) return {};
    return Cp1251FromUtf8(std::system_category().message(code));
}

}  // namespace gvc
