// gvc-cli version: the version of this program file, read back as the main
// window's title reads it (the version resource on Windows, the version marker
// compiled into the file elsewhere).
#include <iostream>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <vector>
#else
#include <filesystem>
#endif

#include "cli/cli_command.h"
#include "util/cp1251.h"
#include "util/file_version.h"

namespace gvc::cli {

namespace {

// The Windows-1251 path of the running program file, or an empty text.
std::string OwnProgramPath() {
#ifdef _WIN32
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::string(buffer.data(), length);
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
#else
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return Cp1251FromUtf8(self.string());
#endif
}

}  // namespace

int RunVersion(std::span<const std::string> args, CommandIo io) {
    if (!args.empty()) {
        io.err << "usage: gvc-cli version\n";
        return 2;
    }
    const std::string path = OwnProgramPath();
    const std::string version = path.empty() ? std::string() : GetFileVersionText(path);
    if (version.empty()) {
        io.err << "gvc-cli: this program file carries no version\n";
        return 1;
    }
    PrintLine(io.out, version);
    return 0;
}

}  // namespace gvc::cli
