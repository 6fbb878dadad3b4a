// The files of record come into the database once, and db verify names every
// difference between the rows, their chain and the files.
#include <gtest/gtest.h>

#include <fstream>

#include "history_fixtures.h"
#include "store/sqlite_db.h"
#include "store/store_import.h"
#include "store/store_verify.h"
#include "store_fixtures.h"

namespace gvc {
namespace {

using testing::LogBytes;
using testing::LogLine;
using testing::RecordLine;

class StoreVerify : public testing::StoreRoot {
public:
    using TempDataRoot::Native;
    void SetUp() override {
        StoreRoot::SetUp();
        LogLine a, b;
        b.sensor = "03-01.00.000.002";
        b.time = "11:00:00";
        lines_ = {RecordLine(a), RecordLine(b)};
        Put(locations::ReportLogPath, LogBytes(lines_));
        // The first record's certificate, and an older one of the same sensor in the archive.
        const SensorIdentity sensor{3, 12345, 1, 3};
        certificate_ =
            Put(std::string(locations::SensorsDir) + "\\03-CO\\" + Cp1251FromUtf8("Тип_03-01") +
                    "\\03-01_00_012_345.dat",
                testing::CertificateFile(sensor, "CO", "14.05.2027", "31.12.2030", {14, 5, 2026, 10, 22, 5}));
        archived_ =
            Put(std::string(locations::ArchiveDir) + "\\03-CO\\" + Cp1251FromUtf8("Тип_03-01") +
                    "\\03-01_00_012_345_2025-05-01_09-00-00.dat",
                testing::CertificateFile(sensor, "CO", "01.05.2026", "31.12.2030", {1, 5, 2025, 9, 0, 0}));
    }
    std::filesystem::path Put(std::string_view cp1251Path, const std::string& bytes) {
        const auto file = Native(cp1251Path);
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
        return file;
    }
    std::vector<std::string> Differences(CalibrationStore& store) {
        std::vector<std::string> out;
        for (const std::string& d : VerifyStore(store, places_.files).differences)
            out.push_back(Utf8FromCp1251(d));
        return out;
    }
    std::vector<std::string> lines_;
    std::filesystem::path certificate_, archived_;
};

TEST_F(StoreVerify, ImportIsCompleteAndIdempotent) {
    StoreSession session = OpenWorkstationStore(places_);
    ASSERT_TRUE(session.store);
    ASSERT_TRUE(session.imported);
    // Two log records (the first with its certificate) and the archived certificate.
    EXPECT_EQ(session.import.added, 3);
    EXPECT_TRUE(session.import.problems.empty());
    const ImportSummary again = ImportRecordFiles(*session.store, places_.files);
    EXPECT_TRUE(again.ok);
    EXPECT_EQ(again.added, 0);
    const auto runs = session.store->AllRuns().value;
    ASSERT_EQ(runs.size(), 3u);
    // Oldest first: the archived certificate's calibration of 2025.
    EXPECT_EQ(runs[0].record.endLocal.year, 2025);
    for (const StoredRun& r : runs) {
        EXPECT_TRUE(r.record.imported);
        EXPECT_FALSE(r.record.asFound.foundReference);
    }
    EXPECT_EQ(runs[1].record.reportRecordLine, lines_[0]);
    EXPECT_FALSE(runs[1].record.certificateSha256.empty());
    EXPECT_EQ(runs[1].endOfUse, (CivilDate{2030, 12, 31}));
    EXPECT_TRUE(Differences(*session.store).empty());
    // A new database on the next workstation start does not import again.
    session.store.reset();
    EXPECT_FALSE(OpenWorkstationStore(places_).imported);
}

TEST_F(StoreVerify, EveryDifferenceIsNamed) {
    struct Case {
        const char* name;
        std::function<void(StoreVerify&, SqliteDb&)> tamper;
        std::vector<const char*> named;  // parts of the differences expected, UTF-8
    };
    const Case cases[] = {
        {"a byte of the log changed",
         [](StoreVerify& t, SqliteDb&) {
             std::string bytes = ReadFileBytes(t.Native(locations::ReportLogPath), 1 << 20).value();
             bytes[bytes.find(t.lines_[1]) + 40] ^= 1;
             t.Put(locations::ReportLogPath, bytes);
         },
         {"REPORT.log"}},
        {"a record edited and the log's checksum made again",
         [](StoreVerify& t, SqliteDb&) {
             std::string edited = t.lines_[1];
             edited[40] = edited[40] == '9' ? '8' : '9';
             t.Put(locations::ReportLogPath, LogBytes({t.lines_[0], edited}));
         },
         {"запись журнала 2 нет в базе данных", "строка 3 базы данных: её записи нет в журнале"}},
        {"a certificate changed",
         [](StoreVerify& t, SqliteDb&) {
             std::string bytes = ReadFileBytes(t.certificate_, 1 << 20).value();
             bytes[bytes.size() / 2] ^= 1;
             std::ofstream(t.certificate_, std::ios::binary | std::ios::trunc) << bytes;
         },
         {"03-01_00_012_345.dat: Свидетельства с таким содержимым нет в базе данных"}},
        {"an archived certificate removed from the database's view",
         [](StoreVerify& t, SqliteDb&) {
             std::ofstream(t.archived_, std::ios::binary | std::ios::app) << " ";
         },
         {"2025-05-01_09-00-00.dat: Свидетельства с таким содержимым нет"}},
        {"a row deleted",
         [](StoreVerify&, SqliteDb& db) { ASSERT_TRUE(db.Exec("DELETE FROM runs WHERE id = 2")); },
         {"строка 2 базы данных удалена", "запись журнала 1 нет в базе данных"}},
        {"the last row deleted",
         [](StoreVerify&, SqliteDb& db) { ASSERT_TRUE(db.Exec("DELETE FROM runs WHERE id = 3")); },
         {"строка 3 базы данных удалена"}},
        {"a row edited",
         [](StoreVerify&, SqliteDb& db) {
             ASSERT_TRUE(db.Exec("UPDATE runs SET operator_name = 'someone' WHERE id = 1"));
         },
         {"строка 1 базы данных: содержимое изменено"}},
        {"a row edited and its own hash made again",
         [](StoreVerify&, SqliteDb& db) {
             ASSERT_TRUE(db.Exec("UPDATE runs SET row_hash = prev_hash WHERE id = 2"));
         },
         {"строка 2 базы данных: содержимое изменено", "строка 3 базы данных: не совпадает ссылка"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(root_);
        SetUp();
        StoreSession session = OpenWorkstationStore(places_);
        ASSERT_TRUE(session.store);
        ASSERT_TRUE(Differences(*session.store).empty());
        c.tamper(*this, session.store->Db());
        const std::vector<std::string> found = Differences(*session.store);
        for (const char* part : c.named) {
            bool named = false;
            for (const std::string& d : found)
                named = named || d.find(part) != std::string::npos;
            EXPECT_TRUE(named) << part << "\n" << ::testing::PrintToString(found);
        }
        EXPECT_FALSE(VerifyStore(*session.store, places_.files).ok);
    }
}

}  // namespace
}  // namespace gvc
