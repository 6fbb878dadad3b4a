#include <algorithm>
#include <fstream>
#include <iterator>
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
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string_view prefix(Marker(), kPrefixLength);
    const auto at = std::search(bytes.begin(), bytes.end(), prefix.begin(), prefix.end());
    if (at == bytes.end()) return {};
    const auto start = at + static_cast<std::ptrdiff_t>(kPrefixLength);
    const auto stop = std::find(start, bytes.end(), '\0');
    return std::string(start, stop);
}

}  // namespace gvc
