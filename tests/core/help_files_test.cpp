#include "util/help_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "util/cp1251.h"
#include "util/native_path.h"

namespace gvc {
namespace {

namespace fs = std::filesystem;
using namespace gvc::literals;

class HelpFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("gvc_help_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "Help");
    }
    void TearDown() override { fs::remove_all(dir_); }

    static void Touch(const fs::path& file) { std::ofstream(file) << "x"; }

    fs::path dir_;
};

// The help file wins over the guide; a missing pair is reported, not guessed.
TEST_F(HelpFilesTest, HelpFileFirstThenGuideThenNothing) {
    const HelpFiles files = LocateHelpFiles(Cp1251PathText(dir_));
    EXPECT_EQ(files.helpFile, dir_ / "Help" / NativePath("ВЕЛМОР_Варнест-C.hlp"_cp));
    EXPECT_EQ(files.guide, dir_ / "Help" / "operator_guide.html");
    EXPECT_EQ(ChooseHelp(files), HelpChoice::kNone);
    Touch(files.guide);
    EXPECT_EQ(ChooseHelp(files), HelpChoice::kGuide);
    Touch(files.helpFile);
    EXPECT_EQ(ChooseHelp(files), HelpChoice::kHelpFile);
    // A directory of that name is no help file.
    fs::remove(files.helpFile);
    fs::create_directory(files.helpFile);
    EXPECT_EQ(ChooseHelp(files), HelpChoice::kGuide);
}

// The path in a message uses one kind of separator only, whatever way the
// working directory was spelt.
TEST_F(HelpFilesTest, PathTextUsesTheSystemsSeparatorOnly) {
    for (const std::string& dir : {Cp1251PathText(dir_), Cp1251PathText(dir_) + "/"}) {
        const std::string text = NativePathText(LocateHelpFiles(dir).guide);
        const char other = fs::path::preferred_separator == '/' ? '\\' : '/';
        EXPECT_EQ(text.find(other), std::string::npos) << text;
        EXPECT_EQ(text.find("//"), std::string::npos) << text;
        EXPECT_NE(text.find("operator_guide.html"), std::string::npos) << text;
    }
    EXPECT_EQ(ChooseHelp(LocateHelpFiles("")), HelpChoice::kNone);
}

}  // namespace
}  // namespace gvc
