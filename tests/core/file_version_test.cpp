#include "util/file_version.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "util/cp1251.h"

namespace gvc {
namespace {

TEST(FileVersion, OwnProgramCarriesTheBuildVersion) {
    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(GetFileVersionText(Cp1251FromUtf8(self.string())), GVC_VERSION_TEXT);
    EXPECT_EQ(CompiledVersionText(), GVC_VERSION_TEXT);
}

TEST(FileVersion, FileWithoutVersionOrMissingGivesEmptyText) {
    EXPECT_EQ(GetFileVersionText(GVC_SOURCE_DIR "/CMakeLists.txt"), "");
    EXPECT_EQ(GetFileVersionText("/nonexistent/program.exe"), "");
}

TEST(FileVersion, MarkerIsFoundWhereverItLies) {
    // The file is searched in blocks of 1 MiB: the marker and its version may
    // lie across the border of two blocks, or at the very end of the file.
    constexpr std::size_t kBlock = 1 << 20;
    // Put together here, so that this program's own file does not carry the
    // marker's prefix as a literal of its own.
    const std::string marker = std::string("\x01GVC-File") + "Version=" + "7.6.5.4";
    const std::size_t offsets[] = {0, 100, kBlock - 5, kBlock - marker.size() + 2, kBlock, 2 * kBlock - 1};
    const auto file = std::filesystem::temp_directory_path() / "gvc-file-version-test.bin";
    for (const std::size_t offset : offsets) {
        {
            std::ofstream out(file, std::ios::binary | std::ios::trunc);
            out << std::string(offset, 'x') << marker << '\0' << std::string(300, 'y');
        }
        EXPECT_EQ(GetFileVersionText(Cp1251FromUtf8(file.string())), "7.6.5.4") << "at " << offset;
    }
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << std::string(kBlock - 3, 'x') << marker;  // no zero byte after it
    }
    EXPECT_EQ(GetFileVersionText(Cp1251FromUtf8(file.string())), "7.6.5.4");
    std::filesystem::remove(file);
}

}  // namespace
}  // namespace gvc
