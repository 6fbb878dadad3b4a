#include "util/file_system.h"

namespace gvc {

bool WriteFileAtomically(FileSystem& fs, std::string_view path, std::string_view content) {
    const std::string temporary = std::string(path) + ".tmp";
    auto file = fs.Create(temporary);
    if (!file) return false;
    const bool written = file->Write(content) && file->Flush();
    const bool closed = file->Close();
    if (!written || !closed || !fs.Replace(temporary, path)) {
        fs.Remove(temporary);
        return false;
    }
    return true;
}

}  // namespace gvc
