// Windows: a file held open by a reader of this program can still be replaced
// (the copy renamed over it with MoveFileExW), as the report log and a
// certificate are while the log page's worker, export-csv or an antivirus
// scanner reads them. Run under Wine by run_wine_tests.sh:
//   gvc-share-check.exe DIRECTORY
// Prints one line per case and exits 1 when any case fails.
#include <cstdio>
#include <string>

#include "util/file_system.h"
#include "util/native_path.h"
#include "util/read_handle_win32.h"

namespace {

int failures = 0;

void Check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAIL", what.c_str());
    if (!ok) ++failures;
}

std::string ReadHandle(HANDLE handle) {
    std::string bytes;
    char buffer[256];
    DWORD got = 0;
    while (::ReadFile(handle, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gvc-share-check DIRECTORY\n");
        return 2;
    }
    gvc::FileSystem& fs = gvc::RealFileSystem();
    const std::string dir = argv[1];
    const std::string file = dir + "\\REPORT.log";
    std::string cause;
    Check(fs.MakeDirectory(dir), "directory " + dir);
    Check(gvc::WriteFileAtomically(fs, file, "old", cause), "first version written " + cause);

    // The readers' own way of opening: the replacement goes through, the
    // reader goes on reading what it opened, a new reader sees the new file.
    const HANDLE reader = gvc::OpenForReading(gvc::NativePath(file));
    Check(reader != INVALID_HANDLE_VALUE, "opened for reading");
    Check(gvc::WriteFileAtomically(fs, file, "new", cause), "replaced while a reader holds it " + cause);
    Check(ReadHandle(reader) == "old", "the reader still reads the version it opened");
    ::CloseHandle(reader);
    Check(fs.ReadAll(file, 64).value_or("") == "new", "the file holds the new version");

    // A reader that does not share deletion blocks the rename: the case
    // above proves something only while this one fails.
    const HANDLE strict = ::CreateFileW(gvc::NativePath(file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    Check(strict != INVALID_HANDLE_VALUE, "opened for reading without delete sharing");
    Check(!gvc::WriteFileAtomically(fs, file, "newer", cause),
          "a reader without delete sharing blocks the replacement (" + cause + ")");
    ::CloseHandle(strict);
    Check(fs.ReadAll(file, 64).value_or("") == "new", "the blocked replacement left the file whole");
    return failures == 0 ? 0 : 1;
}
