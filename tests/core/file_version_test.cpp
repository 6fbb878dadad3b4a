#include "util/file_version.h"

#include <gtest/gtest.h>

#include <filesystem>

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

}  // namespace
}  // namespace gvc
