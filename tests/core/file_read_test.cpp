// Reading whole files: only regular files, never more than the caller's
// limit, never waiting on a FIFO or a device, and a problem text that names
// the file.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "table/table_loader.h"
#include "table/table_writer.h"
#include "table_fixtures.h"
#include "util/cp1251.h"
#include "util/file_system.h"
#include "util/native_path.h"

namespace gvc {
namespace {

class FileReadTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/gvc-read-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    std::filesystem::path File(const std::string& name, std::size_t size) const {
        const auto path = dir_ / name;
        std::ofstream(path, std::ios::binary) << std::string(size, 'x');
        return path;
    }
    std::filesystem::path dir_;
};

TEST_F(FileReadTest, RegularFilesUpToTheLimit) {
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{65536}, std::size_t{200000}}) {
        const auto path = File("f" + std::to_string(size), size);
        const FileReadResult exact = ReadRegularFile(path, size);
        ASSERT_TRUE(exact.bytes) << size << ": " << Utf8FromCp1251(exact.problem);
        EXPECT_EQ(exact.bytes->size(), size);
        if (size == 0) continue;
        const FileReadResult over = ReadRegularFile(path, size - 1);
        EXPECT_FALSE(over.bytes) << size;
        EXPECT_EQ(Utf8FromCp1251(over.problem),
                  path.string() + ": файл больше " + std::to_string(size - 1) + " байт");
    }
}

// Each is refused at once: before, a FIFO without a writer blocked in open()
// and /dev/zero was read until memory ran out.
TEST_F(FileReadTest, EverythingElseIsRefusedWithoutWaiting) {
    const auto fifo = dir_ / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto socketPath = dir_ / "socket";
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketPath.string().copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    for (const std::filesystem::path& path :
         {dir_, fifo, socketPath, std::filesystem::path("/dev/zero"), std::filesystem::path("/dev/null")}) {
        const FileReadResult read = ReadRegularFile(path, 1 << 20);
        EXPECT_FALSE(read.bytes) << path;
        EXPECT_FALSE(read.missing) << path;
        EXPECT_EQ(Utf8FromCp1251(read.problem),
                  path.string() + ": не обычный файл (каталог, канал или устройство)");
    }
    ::close(sock);
}

TEST_F(FileReadTest, MissingFileIsMarkedAndNamed) {
    const FileReadResult read = ReadRegularFile(dir_ / "none", 100);
    EXPECT_FALSE(read.bytes);
    EXPECT_TRUE(read.missing);
    EXPECT_EQ(Utf8FromCp1251(read.problem), (dir_ / "none").string() + ": No such file or directory");
}

// The table reader's fixed message, and for a file that is there but refused
// the reason on a second line; a missing table keeps the message alone.
TEST_F(FileReadTest, TableReaderNamesWhyItRefusedAFile) {
    const auto fifo = dir_ / "table-fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto large = File("large.dat", kMaxTableFileSize + 1);
    const std::string message = "Не открывается файл Параметров для чтения";
    const struct {
        std::filesystem::path file;
        std::string text;
    } cases[] = {
        {dir_ / "none.dat", message},
        {fifo, message + "\r\n" + fifo.string() + ": не обычный файл (каталог, канал или устройство)"},
        {"/dev/zero", message + "\r\n/dev/zero: не обычный файл (каталог, канал или устройство)"},
        {large,
         message + "\r\n" + large.string() + ": файл больше " + std::to_string(kMaxTableFileSize) + " байт"},
    };
    for (const auto& c : cases) {
        SensorTypeTable table;
        ErrorText error;
        EXPECT_FALSE(LoadSensorTypeTable(c.file, table, error)) << c.file;
        EXPECT_EQ(Utf8FromCp1251(error.Text()), c.text);
    }
}

// The table limit is the size of the largest table the grammar allows, so every
// loadable table is read and nothing larger is.
TEST(TableFileLimit, IsTheLargestTable) {
    SensorTypeTable t = testing::SmallTable();
    t.gasCount = static_cast<std::uint8_t>(kMaxGases - 1);
    for (unsigned g = 1; g < t.gasCount; ++g) {
        t.gases[g] = t.gases[1];
        t.typeCount[g] = static_cast<std::uint8_t>(kMaxTypesPerGas - 1);
        for (unsigned type = 0; type < t.typeCount[g]; ++type) {
            t.types[g][type] = t.types[1][0];
            t.types[g][type].gasCode = static_cast<std::uint8_t>(g);
            t.types[g][type].typeNumber = static_cast<std::uint8_t>(type);
        }
    }
    for (NameList* list : {&t.kindList, &t.electrodeList, &t.measuredParamList, &t.unitList, &t.makerList,
                           &t.multiplierList, &t.pgaGainList}) {
        list->count = list->slots;
        for (unsigned i = 0; i < list->count; ++i)
            list->entries[i].text = "E" + std::to_string(i);
    }
    std::string problem;
    const auto bytes = WriteSensorTypeTableBytes(t, problem);
    ASSERT_TRUE(bytes) << problem;
    EXPECT_EQ(bytes->size(), kMaxTableFileSize);
}

}  // namespace
}  // namespace gvc
