#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <array>

#include "util/cp1251.h"
#include "util/host_names.h"

namespace gvc {

namespace {

std::string FromWide(const wchar_t* text, DWORD length) {
    return Cp1251FromUtf16(std::u16string(text, text + length));
}

}  // namespace

std::string ComputerName() {
    std::array<wchar_t, MAX_COMPUTERNAME_LENGTH + 1> buffer{};
    DWORD length = static_cast<DWORD>(buffer.size());
    if (!GetComputerNameW(buffer.data(), &length)) return {};
    return FromWide(buffer.data(), length);
}

std::string SystemUserName() {
    std::array<wchar_t, 257> buffer{};
    DWORD length = static_cast<DWORD>(buffer.size());
    // The length returned counts the terminating zero.
    if (!GetUserNameW(buffer.data(), &length) || length == 0) return {};
    return FromWide(buffer.data(), length - 1);
}

}  // namespace gvc
