#include "util/file_system.h"

namespace gvc {

bool WriteFileAtomically(FileSystem& fs, std::string_view path, std::string_view content,
                         std::string& cause) {
    const std::string temporary = std::string(path) + ".tmp";
    cause.clear();
    auto file = fs.Create(temporary);
    if (!file) {
        cause = fs.FailureCause();
        return false;
    }
    const bool written = file->Write(content) && file->Flush();
    if (!written) cause = file->FailureCause();
    const bool closed = file->Close();
    if (written && !closed) cause = file->FailureCause();
    const bool replaced = written && closed && fs.Replace(temporary, path);
    if (written && closed && !replaced) cause = fs.FailureCause();
    if (!replaced) {
        fs.Remove(temporary);
        return false;
    }
    return true;
}

bool WriteFileAtomically(FileSystem& fs, std::string_view path, std::string_view content) {
    std::string cause;
    return WriteFileAtomically(fs, path, content, cause);
}

}  // namespace gvc
