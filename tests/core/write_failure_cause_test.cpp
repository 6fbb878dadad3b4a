// A full disk while the report log, the certificate or an empty log is
// written: the fixed message stays, the system's reason follows on a second
// line, and the old file is kept.
#include <gtest/gtest.h>

#include <functional>

#include "records/certificate.h"
#include "records/certificate_archive.h"
#include "records/data_dirs.h"
#include "records/report_log.h"
#include "records_fixtures.h"
#include "table_fixtures.h"

namespace gvc {
namespace {

// Every temporary file (the log's copy REPORT.bak, any "*.tmp") is /dev/full:
// it opens, and every write fails with "no space left on the device".
class FullDiskFileSystem : public FileSystem {
public:
    explicit FullDiskFileSystem(FileSystem& real) : real_(real) {}

    bool Exists(std::string_view path) override { return real_.Exists(path); }
    bool IsDirectory(std::string_view path) override { return real_.IsDirectory(path); }
    bool MakeDirectory(std::string_view path) override { return real_.MakeDirectory(path); }
    std::optional<std::string> ReadAll(std::string_view path, std::size_t maxBytes) override {
        return real_.ReadAll(path, maxBytes);
    }
    std::unique_ptr<OutputFile> Create(std::string_view path) override {
        const bool temporary = path.ends_with(".bak") || path.ends_with(".tmp");
        return real_.Create(temporary ? "/dev/full" : path);
    }
    bool Replace(std::string_view from, std::string_view to) override { return real_.Replace(from, to); }
    bool Remove(std::string_view path) override { return path != "/dev/full" && real_.Remove(path); }
    std::string FailureCause() const override { return real_.FailureCause(); }

private:
    FileSystem& real_;
};

class FullDiskTest : public testing::TempDataRoot {
protected:
    void SetUp() override {
        TempDataRoot::SetUp();
        ASSERT_TRUE(real_.MakeDirectory(locations::DataDir));
        ASSERT_TRUE(CreateSensorDirs(table_, real_, op_));
        ASSERT_TRUE(CreateReportLog(real_, op_, error_));
    }

    FileSystem& real_ = RealFileSystem();
    FullDiskFileSystem full_{real_};
    ScriptedOperator op_;
    ErrorText error_;
    SensorTypeTable table_ = testing::SmallTable();
    SensorParams params_;
    SensorIdentity identity_{1, 12345, 1, 1};
    ReportTimestamp when_{9, 3, 2026, 14, 5, 7};
};

TEST_F(FullDiskTest, EveryWriterAddsTheSystemsReason) {
    CharacteristicsRows rows;
    ASSERT_TRUE(WriteSensorFile(rows, "0045.500", identity_, params_, table_, when_, real_, error_));
    struct Case {
        const char* what;
        std::string file;  // Windows-1251 path of the file that must stay as it was
        std::function<bool()> write;
        std::string message;
    };
    // A second certificate of the sensor keeps the first in the archive
    // before anything else; a first one of another sensor is written at once.
    const SensorIdentity other{1, 777, 1, 1};
    const Case cases[] = {
        {"report log append", std::string(locations::ReportLogPath),
         [&] {
             return AppendReportRecord("+01.2207", "+01.0000", params_, identity_, table_, when_, full_,
                                       error_);
         },
         "Файл Отчета: нарушен формат исходного файла"},
        {"empty report log", std::string(locations::ReportLogPath),
         [&] { return CreateReportLog(full_, op_, error_); }, "Не открывается файл Отчетов для записи"},
        {"certificate archive", CertificatePath(identity_, table_),
         [&] { return WriteSensorFile(rows, "0046.500", identity_, params_, table_, when_, full_, error_); },
         "Не могу сохранить прежний сертификат в архиве " +
             Utf8FromCp1251(
                 ArchivedCertificatePath(identity_, table_, ReadNative(CertificatePath(identity_, table_)))) +
             "\r\nНовый сертификат не записан."},
        {"first certificate", CertificatePath(other, table_),
         [&] { return WriteSensorFile(rows, "0046.500", other, params_, table_, when_, full_, error_); },
         "Не проходит запись в файл Датчика"},
    };
    for (const Case& c : cases) {
        const std::string before = ReadNative(c.file);
        error_.Set("");
        EXPECT_FALSE(c.write()) << c.what;
        EXPECT_EQ(Utf8FromCp1251(error_.Text()), c.message + "\r\nNo space left on device") << c.what;
        EXPECT_EQ(ReadNative(c.file), before) << c.what;
    }
}

// A step that fails without a system reason (a test double's) keeps the
// message alone, with no empty second line.
TEST_F(FullDiskTest, NoReasonNoSecondLine) {
    testing::FaultyFileSystem faulty(real_, 1, false);  // the copy's first write
    EXPECT_FALSE(
        AppendReportRecord("+01.2207", "+01.0000", params_, identity_, table_, when_, faulty, error_));
    EXPECT_EQ(Utf8FromCp1251(error_.Text()), "Файл Отчета: нарушен формат исходного файла");
}

}  // namespace
}  // namespace gvc
