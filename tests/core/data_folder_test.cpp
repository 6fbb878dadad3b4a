// The workstation's data folder when a PC keeps it elsewhere than
// D:\ВЕЛМОР_Датчики: every fixed location follows it, the PC's settings file
// names it, a text that cannot name a folder is refused, and the first start
// makes the folder with its parents on a clean machine.
#include <gtest/gtest.h>

#include "app/machine_settings.h"
#include "records/data_dirs.h"
#include "records/locations.h"
#include "records_fixtures.h"
#include "table_fixtures.h"
#include "util/native_path.h"

namespace gvc {
namespace {

using namespace gvc::literals;

// The folder in use is the process's: every test leaves the default behind.
struct DataFolderReset {
    ~DataFolderReset() { SetDataFolder({}); }
};

TEST(DataFolder, FixedLocationsFollowTheFolderInUse) {
    const DataFolderReset reset;
    const struct {
        std::string_view folder;
        std::string_view path;
        std::string_view expected;
    } cases[] = {
        {"", "D:\\ВЕЛМОР_Датчики\\Отчет\\REPORT.log"_cp, "D:\\ВЕЛМОР_Датчики\\Отчет\\REPORT.log"_cp},
        {"E:\\Лаб\\ВЕЛМОР_Датчики"_cp, "D:\\ВЕЛМОР_Датчики\\Отчет\\REPORT.log"_cp,
         "E:\\Лаб\\ВЕЛМОР_Датчики\\Отчет\\REPORT.log"_cp},
        {"E:\\ВЕЛМОР_Датчики\\"_cp, "d:\\ВЕЛМОР_Датчики"_cp, "E:\\ВЕЛМОР_Датчики"_cp},
        {"\\\\srv\\lab\\ВЕЛМОР_Датчики"_cp, "D:\\ВЕЛМОР_Датчики\\central.ini"_cp,
         "\\\\srv\\lab\\ВЕЛМОР_Датчики\\central.ini"_cp},
        // Only what lies below the data folder moves.
        {"E:\\ВЕЛМОР_Датчики"_cp, "D:\\ВЕЛМОР_Датчики2\\x"_cp, "D:\\ВЕЛМОР_Датчики2\\x"_cp},
        {"E:\\ВЕЛМОР_Датчики"_cp, "D:\\Прочее"_cp, "D:\\Прочее"_cp},
        {"E:\\ВЕЛМОР_Датчики"_cp, "\\DAT\\TABL_GAZ_SENSOR_PARAM.dat", "\\DAT\\TABL_GAZ_SENSOR_PARAM.dat"},
    };
    for (const auto& c : cases) {
        SetDataFolder(c.folder);
        EXPECT_EQ(InDataFolder(c.path), c.expected)
            << Utf8FromCp1251(c.folder) << " " << Utf8FromCp1251(c.path);
    }
}

TEST(DataFolder, OnlyAFullPathNamesAFolder) {
    const struct {
        std::string_view text;
        bool ok;
    } cases[] = {
        {"E:\\ВЕЛМОР_Датчики"_cp, true},
        {"c:\\Лаб\\ВЕЛМОР_Датчики"_cp, true},
        {"\\\\srv\\share\\ВЕЛМОР_Датчики"_cp, true},
        {"/srv/gvc/ВЕЛМОР_Датчики"_cp, true},
        {"ВЕЛМОР_Датчики"_cp, false},
        {"E:ВЕЛМОР_Датчики"_cp, false},
        {"E:\\Лаб*"_cp, false},
        {"E:\\a:b", false},
        {"E:\\a\r\nb", false},
        {"", false},
    };
    for (const auto& c : cases) {
        std::string problem;
        EXPECT_EQ(IsDataFolderText(c.text, problem), c.ok) << Utf8FromCp1251(c.text);
        EXPECT_EQ(problem.empty(), c.ok) << Utf8FromCp1251(c.text);
    }
}

class MachineSettingsTest : public testing::TempDataRoot {
protected:
    void SetUp() override {
        TempDataRoot::SetUp();
        ::setenv("GVC_PROGRAM_DATA", (root_ / "program data").c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("GVC_PROGRAM_DATA");
        SetDataFolder({});
        TempDataRoot::TearDown();
    }
    FileSystem& fs_ = RealFileSystem();
};

TEST_F(MachineSettingsTest, TheFileSetsTheFolderAndABadOneIsNamed) {
    EXPECT_EQ(ApplyMachineSettings(fs_), "");
    EXPECT_EQ(DataFolder(), DefaultDataFolder());
    std::string cause;
    ASSERT_TRUE(SaveMachineSettings(fs_, MachineSettings{std::string("D:\\Лаб\\ВЕЛМОР_Датчики"_cp)}, cause))
        << cause;
    EXPECT_EQ(ReadNative(MachineSettingsFile()), "data_folder=D:\\Лаб\\ВЕЛМОР_Датчики\r\n"_cp);
    EXPECT_EQ(ApplyMachineSettings(fs_), "");
    EXPECT_EQ(Native(locations::ReportLogPath), root_ / "Лаб" / "ВЕЛМОР_Датчики" / "Отчет" / "REPORT.log");
    // A text that names no folder: said, and the default used.
    ASSERT_TRUE(SaveMachineSettings(fs_, MachineSettings{std::string("Лаб"_cp)}, cause)) << cause;
    const std::string problem = ApplyMachineSettings(fs_);
    EXPECT_NE(problem.find(MachineSettingsFile()), std::string::npos);
    EXPECT_EQ(DataFolder(), DefaultDataFolder());
}

// The first start on a clean machine: the folder is made with the folders
// above it, and every message names it as it really is.
TEST_F(MachineSettingsTest, FirstStartMakesTheFolderWithItsParents) {
    SetDataFolder("D:\\Новая\\Лаборатория\\ВЕЛМОР_Датчики"_cp);
    ScriptedOperator op;
    ErrorText error;
    ASSERT_TRUE(CreateDataDirs(testing::SmallTable(), fs_, op, error)) << Utf8FromCp1251(error.Text());
    EXPECT_TRUE(std::filesystem::is_regular_file(root_ / "Новая" / "Лаборатория" / "ВЕЛМОР_Датчики" /
                                                 "Отчет" / "REPORT.log"));
    EXPECT_EQ(ShownPath(locations::SensorsDir),
              Cp1251FromUtf8((root_ / "Новая" / "Лаборатория" / "ВЕЛМОР_Датчики" / "Датчики").string()));
}

}  // namespace
}  // namespace gvc
