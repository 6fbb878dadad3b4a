#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "util/cp1251.h"
#include "util/system_error.h"

namespace gvc {

int LastSystemError() {
    return static_cast<int>(GetLastError());
}

std::string SystemErrorText(int code) {
    if (code == 0) return {};
    wchar_t buffer[512] = {};
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(code), 0, buffer, static_cast<DWORD>(std::size(buffer)), nullptr);
    std::u16string text(buffer, buffer + length);
    while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' '))
        text.pop_back();
    if (text.empty()) return "Windows error " + std::to_string(code);
    return Cp1251FromUtf16(text);
}

}  // namespace gvc
