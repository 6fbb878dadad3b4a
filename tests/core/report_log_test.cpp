#include "records/report_log.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "records/data_dirs.h"
#include "records_fixtures.h"
#include "table_fixtures.h"

namespace gvc {
namespace {

using testing::FaultyFileSystem;

// The checksum rule written out once more, independently of TextFileChecksum.
std::string IndependentTrailer(std::string_view body) {
    unsigned sums[4] = {0, 0, 0, 0};
    int k = 3;
    for (char c : body) {
        if (c == '\n') {
            k = 3;
            continue;
        }
        if (std::string_view("|- =\r").find(c) != std::string_view::npos) continue;
        sums[k] = (sums[k] + static_cast<unsigned char>(c)) & 0xFFFF;
        k = k == 0 ? 3 : k - 1;
    }
    std::string out;
    for (unsigned s : sums) {
        out.push_back(static_cast<char>(s >> 8));
        out.push_back(static_cast<char>(s & 0xFF));
    }
    return out;
}

class ReportLogTest : public testing::TempDataRoot {
protected:
    void SetUp() override {
        TempDataRoot::SetUp();
        table_ = testing::SmallTable();
        params_.CalibrationCount = 4;
        params_.CalResourceMax = 65700;
        params_.WorkResourceMax = 262800;
        params_.UnitCode = 0;
        identity_ = {1, 12345, 1, 3};
        ASSERT_TRUE(fs_.MakeDirectory(locations::DataDir));
        ASSERT_TRUE(CreateReportLog(fs_, op_, error_)) << Utf8FromCp1251(error_.Text());
    }

    bool Append(std::string_view slope = "+01.2207", std::string_view initial = "+01.0000") {
        return AppendReportRecord(slope, initial, params_, identity_, table_, when_, fs_, error_);
    }
    std::string Log() const { return ReadNative(locations::ReportLogPath); }
    std::string Message() const { return Utf8FromCp1251(error_.Text()); }
    void WriteLog(const std::string& bytes) {
        ASSERT_TRUE(WriteFileAtomically(fs_, locations::ReportLogPath, bytes));
    }

    FileSystem& fs_ = RealFileSystem();
    ScriptedOperator op_;
    ErrorText error_;
    SensorTypeTable table_;
    SensorParams params_;
    SensorIdentity identity_;
    ReportTimestamp when_{9, 3, 2026, 14, 5, 7};
};

TEST_F(ReportLogTest, FreshLogIsTheEmptyLayout) {
    const std::string log = Log();
    EXPECT_EQ(log.size(), kEmptyReportLogSize);
    EXPECT_EQ(log, EmptyReportLogBytes());
    EXPECT_EQ(log.substr(log.size() - 10, 8), IndependentTrailer(log.substr(0, log.size() - 10)));
    const ReportLogCheck check = VerifyReportLog(log);
    EXPECT_TRUE(check.ok);
    EXPECT_TRUE(check.records.empty());
    EXPECT_TRUE(op_.Messages().empty());
}

TEST_F(ReportLogTest, AppendsKeepRecordsInOrderUnderAFreshChecksum) {
    ASSERT_TRUE(Append()) << Message();
    params_.CalibrationCount = 255;  // printed as 256
    when_.second = 8;
    ASSERT_TRUE(Append("-00.5000", "+01.1111")) << Message();
    const std::string log = Log();
    ASSERT_EQ(log.size(), kEmptyReportLogSize + 2 * 106);
    EXPECT_EQ(log.substr(log.size() - 10, 8), IndependentTrailer(log.substr(0, log.size() - 10)));
    const ReportLogCheck check = VerifyReportLog(log);
    ASSERT_TRUE(check.ok);
    ASSERT_EQ(check.records.size(), 2u);
    EXPECT_EQ(Utf8FromCp1251(check.records[0]),
              "|09.03.2026|14:05:07|03-01.00.012.345|03-01.00.012.345|005| +01.0000 | +01.2207 "
              "|065700|262800|% НКПР  |");
    EXPECT_EQ(check.records[1].substr(0, 21), "|09.03.2026|14:05:08|");
    EXPECT_EQ(check.records[1].substr(55, 26), "256| +01.1111 | -00.5000 |");
    EXPECT_FALSE(fs_.Exists(std::string(locations::ReportDir) + "\\REPORT.bak"));
}

TEST_F(ReportLogTest, BytesAfterTheChecksumAreDamageToTheVerifier) {
    ASSERT_TRUE(Append()) << Message();
    const std::string log = Log();
    const std::string withoutCrLf = log.substr(0, log.size() - 2);
    const std::string forged =
        "|09.03.2026|14:05:09|03-01.00.012.345|03-01.00.012.345|006| +01.0000 | +09.9999 "
        "|065700|262800|% НКПР  |\r\n";
    const struct {
        const char* what;
        std::string bytes;
        bool intact;
    } cases[] = {
        {"as written", log, true},
        {"without the last CR LF", withoutCrLf, true},
        {"a record after the checksum", log + Cp1251FromUtf8(forged), false},
        {"one byte", log + "x", false},
        {"a second CR LF", log + "\r\n", false},
        {"a byte instead of the CR LF", withoutCrLf + "\r", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ReportLogCheck check = VerifyReportLog(c.bytes);
        EXPECT_EQ(check.ok, c.intact);
        EXPECT_EQ(check.records.size(), 1u);
        if (!c.intact) {
            EXPECT_EQ(Utf8FromCp1251(check.message), "Файл Отчета: лишние данные после Контрольной Суммы");
        }
    }
    // The append reads up to the checksum as before and writes a clean log.
    WriteLog(log + "trailing");
    when_.second = 9;
    ASSERT_TRUE(Append()) << Message();
    EXPECT_TRUE(VerifyReportLog(Log()).ok);
    EXPECT_EQ(VerifyReportLog(Log()).records.size(), 2u);
}

TEST_F(ReportLogTest, DamagedLogIsNeverExtended) {
    ASSERT_TRUE(Append());
    const std::string good = Log();
    const std::size_t record =
        kEmptyReportLogSize - 10 - 106;  // the record line starts where the closing line was
    struct Case {
        const char* what;
        std::function<void(std::string&)> damage;
        const char* message;  // empty: the damage goes unnoticed, the append succeeds
    };
    const Case cases[] = {
        {"digit of a record", [&](std::string& b) { b[record + 2] = '1'; },
         "Файл Отчета: не совпадает Контрольная Сумма"},
        {"bar of a record made a dash", [&](std::string& b) { b[record + 11] = '-'; }, ""},
        {"box rule dash made '='", [](std::string& b) { b[5] = '='; },
         "Файл Отчета: нарушен формат исходного файла"},
        {"letter of the header", [](std::string& b) { b[60] = 'X'; },
         "Файл Отчета: нарушен формат исходного файла"},
        {"letter of the table head", [](std::string& b) { b[8 * 56 + 106 + 30] = 'X'; },
         "Файл Отчета: нарушен формат исходного файла"},
        {"closing line missing", [&](std::string& b) { b.erase(b.size() - 10 - 106, 106); },
         "Файл Отчета: нарушен формат исходного файла"},
        {"checksum byte", [](std::string& b) { b[b.size() - 3] ^= 1; },
         "Файл Отчета: не совпадает Контрольная Сумма"},
        {"checksum cut off", [](std::string& b) { b.resize(b.size() - 7); },
         "Файл Отчета: не совпадает Контрольная Сумма"},
        {"empty file", [](std::string& b) { b.clear(); }, "Файл Отчета: нарушен формат исходного файла"},
    };
    for (const Case& c : cases) {
        std::string damaged = good;
        c.damage(damaged);
        WriteLog(damaged);
        const bool ok = Append();
        if (*c.message == '\0') {
            EXPECT_TRUE(ok) << c.what << ": " << Message();
            continue;
        }
        EXPECT_FALSE(ok) << c.what;
        EXPECT_EQ(Message(), c.message) << c.what;
        EXPECT_EQ(Log(), damaged) << c.what << ": the log must stay as it was";
        EXPECT_FALSE(fs_.Exists(std::string(locations::ReportDir) + "\\REPORT.bak")) << c.what;
    }
}

TEST_F(ReportLogTest, RecordOfTheWrongLengthIsRefused) {
    const std::string before = Log();
    struct Case {
        const char* what;
        const char* slope;
        std::function<void()> change;
    };
    const Case cases[] = {
        {"slope text of 7 characters", "+1.2207", [] {}},
        {"resource level above 999999", "+01.2207", [&] { params_.CalResourceMax = 1000000; }},
        {"unit name longer than 8 characters", "+01.2207",
         [&] {
             params_.UnitCode = 1;
             table_.unitList.entries[1].text = "123456789";
         }},
    };
    for (const Case& c : cases) {
        params_.CalResourceMax = 65700;
        params_.UnitCode = 0;
        c.change();
        EXPECT_FALSE(Append(c.slope)) << c.what;
        EXPECT_EQ(Message(), "Файл Отчета: не корректный формат строк") << c.what;
        EXPECT_EQ(Log(), before) << c.what;
    }
}

TEST_F(ReportLogTest, MissingLogFailsWithItsPath) {
    std::filesystem::remove(Native(locations::ReportLogPath));
    EXPECT_FALSE(Append());
    EXPECT_EQ(Message(),
              "Не открывается файл " + root_.string() + "/ВЕЛМОР_Датчики/Отчет/REPORT.log для чтения");
    EXPECT_FALSE(fs_.Exists(locations::ReportLogPath));
}

TEST_F(ReportLogTest, FailedStepsLeaveTheOldLog) {
    ASSERT_TRUE(Append());
    const std::string before = Log();
    for (int step = 0;; ++step) {
        FaultyFileSystem faulty(fs_, step, false);
        const bool ok =
            AppendReportRecord("+01.2207", "+01.0000", params_, identity_, table_, when_, faulty, error_);
        if (ok) {
            EXPECT_GT(step, 2);  // create, write, flush, close, replace all ran
            break;
        }
        EXPECT_EQ(Log(), before) << "failure at step " << step;
        ASSERT_LT(step, 20);
    }
    EXPECT_TRUE(VerifyReportLog(Log()).ok);
    EXPECT_EQ(VerifyReportLog(Log()).records.size(), 2u);
}

TEST_F(ReportLogTest, CrashAtAnyStepLeavesACompleteLog) {
    ASSERT_TRUE(Append());
    const std::string before = Log();
    const std::size_t recordsBefore = VerifyReportLog(before).records.size();
    bool completed = false;
    for (int step = 0; step < 20 && !completed; ++step) {
        WriteLog(before);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            FaultyFileSystem crashing(fs_, step, true);
            ErrorText error;
            const bool ok = AppendReportRecord("+01.2207", "+01.0000", params_, identity_, table_, when_,
                                               crashing, error);
            ::_exit(ok ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        completed = WEXITSTATUS(status) == 0;
        const std::string after = Log();
        const ReportLogCheck check = VerifyReportLog(after);
        ASSERT_TRUE(check.ok) << "crash at step " << step;
        if (after != before) {
            EXPECT_EQ(check.records.size(), recordsBefore + 1) << "crash at step " << step;
            EXPECT_EQ(after.substr(0, before.size() - 116), before.substr(0, before.size() - 116));
        }
    }
    EXPECT_TRUE(completed);
}

TEST(ReportRecordLine, CounterAndFieldWidths) {
    SensorTypeTable table = testing::SmallTable();
    SensorParams params;
    params.CalibrationCount = 255;
    params.CalResourceMax = 999999;
    params.WorkResourceMax = 0;
    params.UnitCode = 7;  // no unit text: eight blanks
    const std::string line =
        ReportRecordLine({1, 2, 2027, 3, 4, 5}, "+01.2207", "+01.0000", params, {0, 16777215, 15, 15}, table);
    EXPECT_EQ(line,
              "|01.02.2027|03:04:05|15-15.16.777.215|15-15.16.777.215|256| +01.0000 | +01.2207 "
              "|999999|000000|        |");
    EXPECT_EQ(line.size(), kReportLineWidth);
}

}  // namespace
}  // namespace gvc
