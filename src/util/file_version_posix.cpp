#include <fstream>
#include <string_view>

#include "util/cp1251.h"
#include "util/file_version.h"

namespace gvc {

// The version marker our build links into every program: its prefix is what
// GetFileVersionText looks for, the rest up to the zero byte is the version.
// It has external linkage and is read only through a pointer the optimiser
// cannot see through, so the whole object stays in the file, exactly once,
// under every build type and optimisation level: a folded copy of the prefix
// alone (which the search would find first) or a kept tail without the prefix
// cannot arise.
extern const char kGvcFileVersionMarker[];
[[gnu::used]] const char kGvcFileVersionMarker[] = "\x01GVC-FileVersion=" GVC_VERSION_TEXT;

namespace {

constexpr std::size_t kPrefixLength = sizeof("\x01GVC-FileVersion=") - 1;

const char* Marker() {
    static const char* volatile marker = kGvcFileVersionMarker;
    return marker;
}

}  // namespace

std::string CompiledVersionText() {
    return std::string(Marker() + kPrefixLength);
}

std::string GetFileVersionText(const std::string& path) {
    std::ifstream in(Utf8FromCp1251(path), std::ios::binary);
    if (!in) return {};
    const std::string_view prefix(Marker(), kPrefixLength);
    // The file is read in blocks and searched as it comes (it is the program
    // itself, megabytes long, read while the window is being shown); each
    // block keeps the tail of the one before, so that a marker across the
    // border of two blocks is found as well.
    constexpr std::size_t kBlock = 1 << 20;
    std::string window;
    std::string block(kBlock, '\0');
    for (;;) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got == 0) return {};
        window.append(block, 0, got);
        const std::size_t at = window.find(prefix);
        if (at != std::string::npos) {
            std::size_t stop = window.find('\0', at + kPrefixLength);
            // The version runs on into the next block: read until its end.
            while (stop == std::string::npos && in) {
                in.read(block.data(), static_cast<std::streamsize>(block.size()));
                const auto more = static_cast<std::size_t>(in.gcount());
                if (more == 0) break;
                window.append(block, 0, more);
                stop = window.find('\0', at + kPrefixLength);
            }
            return window.substr(at + kPrefixLength,
                                 (stop == std::string::npos ? window.size() : stop) - at - kPrefixLength);
        }
        if (!in) return {};
        window.erase(0, window.size() > kPrefixLength ? window.size() - kPrefixLength : 0);
    }
}

}  // namespace gvc
