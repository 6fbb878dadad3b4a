// Windows: the arguments from the wide command line, converted from UTF-16 to
// UTF-8 here, explicitly. The C run-time's `argv` holds them in the ANSI code
// page, where a Cyrillic letter becomes "?" unless that page is Windows-1251.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include <climits>
#include <cwchar>

#include "cli/command_line.h"

namespace gvc::cli {

namespace {

std::string Utf8FromWide(const wchar_t* wide) {
    const std::size_t length = std::wcslen(wide);
    if (length == 0 || length > INT_MAX) return {};
    const int wideLength = static_cast<int>(length);
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide, wideLength, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string text(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide, wideLength, text.data(), size, nullptr, nullptr);
    return text;
}

}  // namespace

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) {
        // Never seen; the narrow arguments are better than none.
        if (argc < 1 || argv == nullptr) return {};
        return std::vector<std::string>(argv + 1, argv + argc);
    }
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i)
        args.push_back(Utf8FromWide(wide[i]));
    ::LocalFree(wide);
    return args;
}

}  // namespace gvc::cli
