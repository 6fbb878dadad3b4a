#include <algorithm>
#include <fstream>
#include <iterator>
#include <string_view>

#include "util/cp1251.h"
#include "util/file_version.h"

namespace gvc {

namespace {

// The marker is one constant, so a program file holds it exactly once: its
// prefix is what GetFileVersionText looks for, the rest up to the zero byte is
// the version. It is emitted whole even where an optimised build folds its
// one use down to the version's characters.
[[gnu::used]] constexpr char kMarker[] = "\x01GVC-FileVersion=" GVC_VERSION_TEXT;
constexpr std::size_t kPrefixLength = sizeof("\x01GVC-FileVersion=") - 1;

}  // namespace

std::string CompiledVersionText() {
    return std::string(kMarker + kPrefixLength);
}

std::string GetFileVersionText(const std::string& path) {
    std::ifstream in(Utf8FromCp1251(path), std::ios::binary);
    if (!in) return {};
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string_view prefix(kMarker, kPrefixLength);
    const auto at = std::search(bytes.begin(), bytes.end(), prefix.begin(), prefix.end());
    if (at == bytes.end()) return {};
    const auto start = at + static_cast<std::ptrdiff_t>(kPrefixLength);
    const auto stop = std::find(start, bytes.end(), '\0');
    return std::string(start, stop);
}

}  // namespace gvc
