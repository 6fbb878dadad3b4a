#include "records/certificate.h"

#include <gtest/gtest.h>

#include "records/data_dirs.h"
#include "records/report_log.h"
#include "records/sensor_number.h"
#include "records_fixtures.h"
#include "table_fixtures.h"
#include "util/text_format.h"

namespace gvc {
namespace {

using testing::FaultyFileSystem;

// Rows shaped like the characteristics list: numbered captions, group heads,
// range labels in the old column of rows 35, 38, 41, 44, 47, 52, 56, 60.
CharacteristicsRows SampleRows() {
    CharacteristicsRows rows;
    for (int r = 0; r < kCharacteristicsRowCount; ++r) {
        auto& row = rows[static_cast<std::size_t>(r)];
        row.caption = FormatIntZero(r % 12 + 1, 2) + ". Row " + std::to_string(r);
        row.oldText = "old" + std::to_string(r);
        row.newText = "new" + std::to_string(r);
    }
    for (int head : {0, 13, 28, 34, 51})
        rows[static_cast<std::size_t>(head)].caption = "Group " + std::to_string(head);
    rows[26].caption = Cp1251FromUtf8("13. Эталонная Концентрация в % НКПР");
    rows[26].newText = "0050.000";
    return rows;
}

class CertificateTest : public testing::TempDataRoot {
protected:
    void SetUp() override {
        TempDataRoot::SetUp();
        table_ = testing::SmallTable();
        ASSERT_TRUE(fs_.MakeDirectory(locations::DataDir));
        ASSERT_TRUE(CreateSensorDirs(table_, fs_, op_));
        params_.CalibrationCount = 4;
    }
    bool Write(std::string_view reference = "0045.500") {
        return WriteSensorFile(rows_, reference, identity_, params_, table_, when_, fs_, error_);
    }
    std::string File() const { return ReadNative(CertificatePath(identity_, table_)); }

    FileSystem& fs_ = RealFileSystem();
    ScriptedOperator op_;
    ErrorText error_;
    SensorTypeTable table_;
    SensorParams params_;
    SensorIdentity identity_{1, 12345, 1, 1};
    CharacteristicsRows rows_ = SampleRows();
    ReportTimestamp when_{31, 12, 2026, 23, 59, 58};
};

TEST_F(CertificateTest, LayoutNameAndChecksum) {
    ASSERT_TRUE(Write()) << Utf8FromCp1251(error_.Text());
    EXPECT_EQ(Utf8FromCp1251(CertificatePath(identity_, table_)),
              "D:\\ВЕЛМОР_Датчики\\Датчики\\01-Метан\\Тип_01-01\\01-01_00_012_345.dat");
    const std::string file = File();
    ASSERT_EQ(file.size(), 5698u);
    const CertificateCheck check = VerifyCertificate(file);
    EXPECT_TRUE(check.ok) << Utf8FromCp1251(check.message);
    EXPECT_EQ(check.lines, 72u);
    auto line = [&](std::size_t i) {
        return Utf8FromCp1251(TrimRight(std::string_view(file).substr(i * 79, 77)));
    };
    EXPECT_EQ(line(0), "ООО НПФ ВЕЛМОР");
    EXPECT_EQ(line(1), "");
    EXPECT_EQ(line(2), "        Сертификат на градуировку датчика № 01-01.00.012.345");
    EXPECT_EQ(line(3), std::string(77, '-'));
    EXPECT_EQ(line(4), "Дата:31.12.2026        Время: 23:59:58       № 005    градуировки.");
    EXPECT_EQ(line(6), "Group 0");
    EXPECT_EQ(line(7), "Row 1" + std::string(47, ' ') + "- new1");
    // Calibration section: rows 14, 17 and 21 are left out; row 26 shows the reference in use.
    EXPECT_EQ(line(20), "Group 13");
    EXPECT_EQ(line(21), "Row 15" + std::string(46, ' ') + "- new15");
    EXPECT_EQ(line(23), "Row 18" + std::string(46, ' ') + "- new18");
    EXPECT_EQ(line(30), "Эталонная Концентрация в % НКПР" + std::string(21, ' ') + "- 0045.500");
    // Temperature section opens with the first range label.
    EXPECT_EQ(line(40), "Group 34");
    EXPECT_EQ(line(41), "------------old35");
    EXPECT_EQ(line(57), std::string(77, '-'));
}

TEST_F(CertificateTest, SecondCalibrationReplacesTheFile) {
    ASSERT_TRUE(Write());
    params_.CalibrationCount = 5;
    ASSERT_TRUE(Write());
    EXPECT_NE(File().find(Cp1251FromUtf8("№ 006")), std::string::npos);
    std::size_t files = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(Native(CertificatePath(identity_, table_)).parent_path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1u);
}

TEST_F(CertificateTest, FailedWriteKeepsThePreviousCertificate) {
    ASSERT_TRUE(Write());
    const std::string before = File();
    params_.CalibrationCount = 9;
    // Every step failing in turn (keeping the old certificate in the archive,
    // then the new one's create, write, flush, close, replace) until none fails.
    int failures = 0;
    for (int step = 0;; ++step) {
        ASSERT_LT(step, 40);
        FaultyFileSystem faulty(fs_, step, false);
        if (WriteSensorFile(rows_, "0045.500", identity_, params_, table_, when_, faulty, error_)) break;
        EXPECT_EQ(File(), before) << "failure at step " << step;
        ++failures;
    }
    EXPECT_GE(failures, 5);
    EXPECT_NE(File(), before);
}

TEST_F(CertificateTest, MissingTypeDirectoryFailsAndOverlongLinesAreCut) {
    identity_.TypeNumber = 7;  // methane has no type 07: no directory
    EXPECT_FALSE(Write());
    // The file is named where it really is (below the directory drive D: is mapped to here).
    EXPECT_EQ(Utf8FromCp1251(error_.Text()),
              "Не открывается файл " + root_.string() +
                  "/ВЕЛМОР_Датчики/Датчики/01-Метан/Тип_01-07/01-07_00_012_345.dat "
                  "для записи\r\nNo such file or directory");
    identity_.TypeNumber = 1;
    rows_[5].newText = std::string(32, 'x');  // a 32-character list text: 52 + 2 + 32 > 77
    ASSERT_TRUE(Write());
    const std::string file = File();
    EXPECT_EQ(file.size(), 5698u);
    EXPECT_EQ(file.substr(11 * 79, 77), "Row 5" + std::string(47, ' ') + "- " + std::string(23, 'x'));
    EXPECT_TRUE(VerifyCertificate(file).ok);
}

TEST_F(CertificateTest, PointsInTheGasNameStayOutOfTheFileNumber) {
    table_.gases[1].name = "C.H4";
    ASSERT_TRUE(CreateSensorDirs(table_, fs_, op_));
    ASSERT_TRUE(Write());
    EXPECT_EQ(
        CertificatePath(identity_, table_),
        std::string(locations::SensorsDir) + Cp1251FromUtf8("\\01-C.H4\\Тип_01-01\\01-01_00_012_345.dat"));
}

TEST(CertificateCheck, DamageIsFound) {
    CharacteristicsRows rows = SampleRows();
    const std::string good = CertificateBytes(rows, "1", {1, 12345, 1, 1}, SensorParams{}, ReportTimestamp{});
    ASSERT_TRUE(VerifyCertificate(good).ok);
    std::string letter = good;
    letter[80] = 'Z';
    EXPECT_EQ(Utf8FromCp1251(VerifyCertificate(letter).message),
              "Файл Датчика: не совпадает Контрольная Сумма");
    std::string shifted = good;
    shifted.erase(100, 1);
    EXPECT_EQ(Utf8FromCp1251(VerifyCertificate(shifted).message), "Файл Датчика: нарушена длина строк");
}

class DataDirsTest : public testing::TempDataRoot {
protected:
    FileSystem& fs_ = RealFileSystem();
    ScriptedOperator op_;
    ErrorText error_;
};

TEST_F(DataDirsTest, CreatesTheTreeAndAnEmptyLog) {
    SensorTypeTable table = testing::SmallTable();
    ASSERT_TRUE(CreateDataDirs(table, fs_, op_, error_)) << Utf8FromCp1251(error_.Text());
    EXPECT_TRUE(
        fs_.IsDirectory(std::string(locations::SensorsDir) + Cp1251FromUtf8("\\01-Метан\\Тип_01-01")));
    EXPECT_TRUE(
        fs_.IsDirectory(std::string(locations::SensorsDir) + "\\02-CO"));  // no types, no type directories
    EXPECT_FALSE(fs_.Exists(std::string(locations::SensorsDir) + Cp1251FromUtf8("\\02-CO\\Тип_02-00")));
    EXPECT_EQ(ReadNative(locations::ReportLogPath).size(), kEmptyReportLogSize);
    EXPECT_TRUE(op_.Messages().empty());
}

TEST_F(DataDirsTest, GasNamesThatLeaveTheSensorsDirAreRefused) {
    ASSERT_TRUE(fs_.MakeDirectory(locations::DataDir));
    for (const char* name : {"../../etc", "a\\b", "a/b", "C:x", "..", "name.", "a*b"}) {
        SensorTypeTable table = testing::SmallTable();
        table.gases[2].name = name;
        op_.ClearMessages();
        EXPECT_FALSE(CreateSensorDirs(table, fs_, op_)) << name;
        ASSERT_EQ(op_.Messages().size(), 1u) << name;
        EXPECT_EQ(Utf8FromCp1251(op_.Messages()[0].text),
                  std::string("Недопустимое имя газа для директории: \"") + name + "\"");
    }
    // Nothing was made outside the data tree.
    std::size_t entries = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root_)) {
        EXPECT_EQ(e.path().string().rfind(Native(locations::DataDir).string(), 0), 0u) << e.path();
        ++entries;
    }
    EXPECT_GT(entries, 0u);
}

TEST_F(DataDirsTest, DirectoryThatCannotBeMadeIsNamed) {
    // A file where the sensors directory should be.
    ASSERT_TRUE(fs_.MakeDirectory(locations::DataDir));
    ASSERT_TRUE(WriteFileAtomically(fs_, locations::SensorsDir, "x"));
    EXPECT_FALSE(CreateSensorDirs(testing::SmallTable(), fs_, op_));
    ASSERT_EQ(op_.Messages().size(), 1u);
    EXPECT_EQ(op_.Messages()[0].kind, MessageKind::kError);
    // Named where the operator finds it: on Linux below the directory drive D: is mapped to.
    EXPECT_EQ(Utf8FromCp1251(op_.Messages()[0].text),
              "Не могу создать директорию " + Native(locations::SensorsDir).string());
}

}  // namespace
}  // namespace gvc
