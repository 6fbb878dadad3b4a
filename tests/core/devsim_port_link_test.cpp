// gvc-devsim --link keeps a stable name for its pseudo-terminal (the Wine
// tests map a COM port to it): the link follows the device through unplugging
// and plugging in, and goes when the device or the simulator goes.
#ifdef GVC_DEVSIM_PATH

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "devsim_process.h"

namespace gvc::test {
namespace {

namespace fs = std::filesystem;

class DevsimPortLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("gvc-devsim-link-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        link_ = dir_ / "com12";
    }
    void TearDown() override { fs::remove_all(dir_); }

    bool Start() {
        return sim_.Start(GVC_DEVSIM_PATH,
                          {"--registry", (dir_ / "devsim.reg").string(), "--memory",
                           (dir_ / "memory.bin").string(), "--reset", "--link", link_.string()});
    }
    bool LinkPointsAtThePort() const {
        return fs::is_symlink(link_) && fs::read_symlink(link_).string() == sim_.Port();
    }

    fs::path dir_;
    fs::path link_;
    devsim::DevsimProcess sim_;
};

TEST_F(DevsimPortLinkTest, FollowsThePortAndGoesWithTheDevice) {
    // A stale link from an earlier run is replaced.
    fs::create_symlink("/dev/null", link_);
    ASSERT_TRUE(Start()) << sim_.Error();
    EXPECT_TRUE(LinkPointsAtThePort());

    EXPECT_EQ(sim_.Command("unplug").rfind("ok", 0), 0u);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link_)));

    EXPECT_EQ(sim_.Command("plug").rfind("ok", 0), 0u);
    EXPECT_TRUE(LinkPointsAtThePort());

    sim_.Stop();
    EXPECT_FALSE(fs::exists(fs::symlink_status(link_)));
}

TEST_F(DevsimPortLinkTest, AnEmptyLinkIsRefused) {
    EXPECT_FALSE(sim_.Start(GVC_DEVSIM_PATH, {"--registry", (dir_ / "devsim.reg").string(), "--link", ""}));
}

}  // namespace
}  // namespace gvc::test

#endif
