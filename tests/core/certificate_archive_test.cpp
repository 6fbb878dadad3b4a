// Every certificate ever issued is kept: the one a new calibration replaces
// goes to the archive first, and without that copy no new certificate is written.
#include "records/certificate_archive.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>

#include "history_fixtures.h"
#include "records/certificate.h"
#include "records/data_dirs.h"
#include "records/locations.h"
#include "records_fixtures.h"
#include "table_fixtures.h"

namespace gvc {
namespace {

using testing::FaultyFileSystem;

class CertificateArchive : public testing::TempDataRoot {
protected:
    void SetUp() override {
        TempDataRoot::SetUp();
        table_ = testing::SmallTable();
        ASSERT_TRUE(fs_.MakeDirectory(locations::DataDir));
        ASSERT_TRUE(CreateSensorDirs(table_, fs_, op_));
    }
    bool Calibrate(const ReportTimestamp& when, FileSystem& fs) {
        params_.CalibrationCount = static_cast<std::uint8_t>(params_.CalibrationCount + 1);
        return WriteSensorFile(rows_, "0050.000", identity_, params_, table_, when, fs, error_);
    }
    bool Calibrate(const ReportTimestamp& when) { return Calibrate(when, fs_); }
    std::string Current() const { return ReadNative(CertificatePath(identity_, table_)); }
    std::string ArchiveDirectory() const {
        return std::string(locations::ArchiveDir) + Cp1251FromUtf8("\\01-Метан\\Тип_01-01");
    }
    // The archive's files by name (UTF-8), each with its bytes.
    std::map<std::string, std::string> Archived() const {
        std::map<std::string, std::string> files;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(Native(ArchiveDirectory()), ec))
            files[e.path().filename().string()] = ReadFileBytes(e.path(), 1 << 24).value_or("<unreadable>");
        return files;
    }

    FileSystem& fs_ = RealFileSystem();
    ScriptedOperator op_;
    ErrorText error_;
    SensorTypeTable table_;
    SensorParams params_;
    SensorIdentity identity_{1, 12345, 1, 1};
    CharacteristicsRows rows_ = testing::CertificateRows("Метан", "14.05.2027", "31.12.2030");
};

TEST_F(CertificateArchive, EveryReplacedCertificateIsKeptUnderItsOwnDate) {
    ASSERT_TRUE(Calibrate({14, 5, 2026, 10, 22, 5}));
    EXPECT_TRUE(Archived().empty());  // nothing replaced yet
    const std::string first = Current();
    ASSERT_TRUE(Calibrate({2, 6, 2026, 8, 0, 0}));
    const std::string second = Current();
    ASSERT_TRUE(Calibrate({3, 7, 2026, 9, 30, 1}));
    EXPECT_NE(Current(), second);
    EXPECT_EQ(Archived(), (std::map<std::string, std::string>{
                              {"01-01_00_012_345_2026-05-14_10-22-05.dat", first},
                              {"01-01_00_012_345_2026-06-02_08-00-00.dat", second},
                          }));
    EXPECT_EQ(Utf8FromCp1251(ArchivedCertificatePath(identity_, table_, first)),
              "D:\\ВЕЛМОР_Датчики\\Архив\\01-Метан\\Тип_01-01\\01-01_00_012_345_2026-05-14_10-22-05.dat");
}

TEST_F(CertificateArchive, ThePdfOfAReplacedCertificateGoesWithIt) {
    const std::string certificate = CertificatePath(identity_, table_);
    const std::string pdf = certificate.substr(0, certificate.size() - 4) + ".pdf";
    ASSERT_TRUE(Calibrate({14, 5, 2026, 10, 22, 5}));
    const std::string first = Current();
    ASSERT_TRUE(WriteFileAtomically(fs_, pdf, "%PDF of the first"));
    ASSERT_TRUE(Calibrate({2, 6, 2026, 8, 0, 0}));
    EXPECT_FALSE(fs_.Exists(pdf));  // no PDF of the old certificate beside the new one
    EXPECT_EQ(Archived(), (std::map<std::string, std::string>{
                              {"01-01_00_012_345_2026-05-14_10-22-05.dat", first},
                              {"01-01_00_012_345_2026-05-14_10-22-05.pdf", "%PDF of the first"},
                          }));
    // No PDF: nothing to move.
    ASSERT_TRUE(Calibrate({3, 7, 2026, 9, 30, 1}));
    EXPECT_EQ(Archived().size(), 3u);
}

TEST_F(CertificateArchive, AnArchivedCertificateIsNeverOverwritten) {
    ASSERT_TRUE(Calibrate({14, 5, 2026, 10, 22, 5}));
    const std::string first = Current();
    // A save that stopped after archiving runs again: the same bytes are kept once.
    ASSERT_TRUE(ArchiveCertificate(identity_, table_, fs_, error_));
    ASSERT_TRUE(ArchiveCertificate(identity_, table_, fs_, error_));
    EXPECT_EQ(Archived().size(), 1u);
    // A different certificate with the same date and time gets a numbered name.
    rows_[5].newText = "changed";
    ASSERT_TRUE(WriteSensorFile(rows_, "0050.000", identity_, params_, table_, {14, 5, 2026, 10, 22, 5}, fs_,
                                error_));
    const std::string changed = Current();
    ASSERT_TRUE(Calibrate({2, 6, 2026, 8, 0, 0}));
    const auto archived = Archived();
    ASSERT_EQ(archived.size(), 2u);
    EXPECT_EQ(archived.at("01-01_00_012_345_2026-05-14_10-22-05.dat"), first);
    EXPECT_EQ(archived.at("01-01_00_012_345_2026-05-14_10-22-05_2.dat"), changed);
    // A certificate whose date line is damaged is still kept.
    std::string undated = Current();
    undated[4 * 79 + 6] = 'x';
    ASSERT_TRUE(WriteFileAtomically(fs_, CertificatePath(identity_, table_), undated));
    ASSERT_TRUE(ArchiveCertificate(identity_, table_, fs_, error_));
    EXPECT_EQ(Archived().at("01-01_00_012_345_undated.dat"), undated);
}

TEST_F(CertificateArchive, FailureToKeepTheOldOneStopsTheSaveAndKeepsBothFiles) {
    ASSERT_TRUE(Calibrate({14, 5, 2026, 10, 22, 5}));
    const std::string old = Current();
    const std::string log = EmptyReportLogBytes();
    ASSERT_TRUE(fs_.MakeDirectory(locations::ReportDir));
    ASSERT_TRUE(WriteFileAtomically(fs_, locations::ReportLogPath, log));
    const std::string message =
        "Не могу сохранить прежний сертификат в архиве "
        "D:\\ВЕЛМОР_Датчики\\Архив\\01-Метан\\Тип_01-01\\01-01_00_012_345_2026-05-14_10-"
        "22-05.dat\r\nНовый сертификат не записан.";
    // A file where the archive directory should be.
    ASSERT_TRUE(WriteFileAtomically(fs_, locations::ArchiveDir, "x"));
    EXPECT_FALSE(Calibrate({2, 6, 2026, 8, 0, 0}));
    EXPECT_EQ(Utf8FromCp1251(error_.Text()), message);
    EXPECT_EQ(Current(), old);
    ASSERT_TRUE(fs_.Remove(locations::ArchiveDir));

    // Every step of the archive and of the new certificate failing in turn:
    // the old certificate stays, the log is not touched, and whatever the
    // archive holds is the whole old certificate.
    int archiveFailures = 0;
    for (int step = 0;; ++step) {
        ASSERT_LT(step, 40);
        FaultyFileSystem faulty(fs_, step, false);
        params_.CalibrationCount = 4;
        if (Calibrate({2, 6, 2026, 8, 0, 0}, faulty)) break;
        EXPECT_EQ(Current(), old) << "step " << step;
        EXPECT_EQ(ReadNative(locations::ReportLogPath), log);
        for (const auto& [name, bytes] : Archived())
            EXPECT_EQ(bytes, old) << name << " at step " << step;
        if (Utf8FromCp1251(error_.Text()) == message) ++archiveFailures;
    }
    EXPECT_GE(archiveFailures, 5);  // three directories, the copy's create, write, flush, close, replace
    EXPECT_EQ(Archived().size(), 1u);
    EXPECT_NE(Current(), old);
}

TEST_F(CertificateArchive, CrashAtAnyStepLeavesTheOldCertificateInOnePlaceAtLeast) {
    ASSERT_TRUE(Calibrate({14, 5, 2026, 10, 22, 5}));
    const std::string old = Current();
    for (int step = 0; step < 14; ++step) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            FaultyFileSystem faulty(fs_, step, true);
            params_.CalibrationCount = 4;
            ::_exit(Calibrate({2, 6, 2026, 8, 0, 0}, faulty) ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        const auto archived = Archived();
        const bool kept =
            Current() == old || (archived.count("01-01_00_012_345_2026-05-14_10-22-05.dat") == 1 &&
                                 archived.at("01-01_00_012_345_2026-05-14_10-22-05.dat") == old);
        EXPECT_TRUE(kept) << "crash at step " << step;
        EXPECT_TRUE(VerifyCertificate(Current()).ok) << "crash at step " << step;
    }
}

}  // namespace
}  // namespace gvc
