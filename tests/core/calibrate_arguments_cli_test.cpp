// gvc-cli calibrate checks all its arguments first: a bad one is refused at
// once with exit 2, before the lock, the data tree and the device are touched
// (run here in an empty directory, where the start-up would fail otherwise).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace gvc {
namespace {

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

CliRun RunInEmptyDirectory(const std::string& arguments) {
    char pattern[] = "/tmp/gvc-calargs-XXXXXX";
    const std::filesystem::path dir = ::mkdtemp(pattern);
    const std::string command = "cd '" + dir.string() + "' && GVC_DRIVE_D='" + dir.string() +
                                "' GVC_REGISTRY_FILE='" + (dir / "none.reg").string() + "' " + GVC_CLI_PATH +
                                " calibrate " + arguments + " 2>err.txt </dev/null";
    CliRun run;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            run.out.append(buffer, n);
        const int status = ::pclose(pipe);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (FILE* err = std::fopen((dir / "err.txt").c_str(), "r")) {
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, err)) > 0)
            run.err.append(buffer, n);
        std::fclose(err);
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return run;
}

TEST(CalibrateArguments, BadArgumentsAreRefusedBeforeAnythingElse) {
    const std::string usage =
        "usage: gvc-cli calibrate [--yes] [--reference VALUE [--above-range] | --cylinder ID] [--operator "
        "NAME]\n";
    const std::string notAName = "\" (one line of at most 100 characters)\n";
    const struct {
        const char* arguments;
        std::string err;
    } cases[] = {
        {"--reference abc", "not a concentration: \"abc\"\n"},
        {"--reference ''", "not a concentration: \"\"\n"},
        {"--reference '  '", "not a concentration: \"  \"\n"},
        {"--reference 12345", "not a concentration: \"12345\"\n"},
        {"--yes --reference 1,5x", "not a concentration: \"1,5x\"\n"},
        {"--reference", usage},
        {"--reference 1 --reference 2", usage},
        {"--yes --yes", usage},
        {"--verbose", "gvc-cli calibrate: unknown option --verbose\n" + usage},
        {"--cylinder", usage},
        {"--cylinder 0", "not a cylinder number: \"0\"\n"},
        {"--cylinder 1x", "not a cylinder number: \"1x\"\n"},
        {"--cylinder 1 --cylinder 2", usage},
        {"--cylinder 1 --reference 50", "--reference and --cylinder both set the reference: give one\n"},
        {"--operator", usage},
        {"--operator ''", "not an operator's name: \"" + notAName},
        {"--operator '  '", "not an operator's name: \"  " + notAName},
        {"--operator \"$(printf 'A\\tB')\"", "not an operator's name: \"A\tB" + notAName},
        {"--operator 'Ли 李'", "not an operator's name: \"Ли 李" + notAName},
        {"--operator A --operator B", usage},
    };
    for (const auto& c : cases) {
        const CliRun run = RunInEmptyDirectory(c.arguments);
        EXPECT_EQ(run.exitCode, 2) << c.arguments << "\n" << run.out << run.err;
        EXPECT_EQ(run.err, c.err) << c.arguments;
        EXPECT_EQ(run.out, "") << c.arguments;
    }
}

// A good reference gets past the check: the start-up in the empty directory
// is what fails now.
TEST(CalibrateArguments, GoodArgumentsReachTheStartUp) {
    const CliRun run = RunInEmptyDirectory("--yes --reference 0045.5 --operator 'Иванов И.И.'");
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_EQ(run.out, "startup failed\n") << run.err;
}

}  // namespace
}  // namespace gvc
