// Reading the records back: dates, record columns, CSV, one sensor's history
// and the sensors due for calibration.
#include <gtest/gtest.h>

#include <fstream>

#include "history/csv_export.h"
#include "history/due_list.h"
#include "history/report_records.h"
#include "history/sensor_history.h"
#include "history_fixtures.h"
#include "records_fixtures.h"
#include "util/calendar.h"

namespace gvc {
namespace {

using testing::LogBytes;
using testing::LogLine;
using testing::RecordLine;

TEST(Calendar, DaysAcrossMonthEndsAndLeapYears) {
    struct Case {
        const char* from;
        const char* to;
        std::int64_t days;
    };
    const Case cases[] = {
        {"31.01.2026", "01.02.2026", 1}, {"28.02.2026", "01.03.2026", 1},  {"28.02.2028", "01.03.2028", 2},
        {"31.12.2026", "01.01.2027", 1}, {"01.03.2100", "28.02.2100", -1}, {"01.01.2000", "01.01.2001", 366},
        {"01.01.1970", "01.01.1970", 0}, {"30.04.2026", "31.05.2026", 31},
    };
    for (const Case& c : cases) {
        const auto from = ParseDotDate(c.from);
        const auto to = ParseDotDate(c.to);
        ASSERT_TRUE(from && to) << c.from << " " << c.to;
        EXPECT_EQ(DayNumber(*to) - DayNumber(*from), c.days) << c.from << " -> " << c.to;
    }
    EXPECT_EQ(DayNumber({1970, 1, 1}), 0);
    for (const CivilDate d : {CivilDate{2028, 2, 29}, CivilDate{1969, 12, 31}, CivilDate{2026, 3, 1}})
        EXPECT_EQ(DateFromDayNumber(DayNumber(d)), d);
    for (const char* bad : {"29.02.2026", "31.04.2026", "00.01.2026", "01.13.2026", "1.1.2026  ",
                            "aa.bb.cccc", "01.01.0000", "+1.01.2026"})
        EXPECT_FALSE(ParseDotDate(bad)) << bad;
    EXPECT_TRUE(ParseDotDate("29.02.2028"));
    EXPECT_EQ(ParseIsoDate("2026-05-14"), (CivilDate{2026, 5, 14}));
    EXPECT_FALSE(ParseIsoDate("2026-02-30"));
    EXPECT_EQ(IsoDateText({2026, 5, 4}), "2026-05-04");
}

TEST(ReportRecords, PlainDecimals) {
    const std::pair<const char*, const char*> cases[] = {
        {"+00.9766", "0.9766"},  {"-01.2000", "-1.2000"}, {"+12.0000", "12.0000"},
        {"-00.0000", "-0.0000"}, {"+00.0001", "0.0001"},  {"007", "7"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(PlainDecimalText(in), std::optional<std::string>(out)) << in;
    for (const char* bad : {"", "+", "+.5", "+1.", "+1.2.3", "+1,25", " 1.25", "++1.0"})
        EXPECT_FALSE(PlainDecimalText(bad)) << bad;
}

TEST(ReportRecords, ColumnsOfARecordLine) {
    LogLine l;
    l.calibration = "256";
    l.ki = "-01.2000";
    const auto r = ParseReportRecord(RecordLine(l));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->date, (CivilDate{2026, 5, 14}));
    EXPECT_EQ(r->time, "10:22:05");
    EXPECT_EQ(r->sensorNew, "03-01.00.012.345");
    EXPECT_EQ(r->calibration, 256);
    EXPECT_EQ(r->k00, "0.9766");
    EXPECT_EQ(r->ki, "-1.2000");
    EXPECT_DOUBLE_EQ(r->kiValue, -1.2);
    EXPECT_EQ(r->calibrationResourceMax, 500);
    EXPECT_EQ(r->workResourceMax, 17520);
    EXPECT_EQ(Utf8FromCp1251(r->unit), "мг/м3");

    // Columns that do not hold what the append writes.
    auto broken = [](auto change) {
        LogLine b;
        change(b);
        return ParseReportRecord(RecordLine(b)).has_value();
    };
    EXPECT_FALSE(broken([](LogLine& b) { b.date = "31.02.2026"; }));
    EXPECT_FALSE(broken([](LogLine& b) { b.time = "25:00:00"; }));
    EXPECT_FALSE(broken([](LogLine& b) { b.ki = "+0x.9766"; }));
    EXPECT_FALSE(broken([](LogLine& b) { b.calibration = "-05"; }));
    EXPECT_FALSE(broken([](LogLine& b) { b.workResource = "01752 "; }));
    EXPECT_FALSE(ParseReportRecord(RecordLine(l).substr(1)));
}

std::vector<ReportRecord> Records(const std::vector<LogLine>& lines) {
    std::vector<std::string> text;
    for (const LogLine& l : lines)
        text.push_back(RecordLine(l));
    const ReportRecords read = ReadReportRecords(LogBytes(text));
    EXPECT_TRUE(read.ok) << Utf8FromCp1251(read.message);
    return read.records;
}

TEST(CsvExport, TableOfRecords) {
    LogLine second;
    second.date = "01.06.2026";
    second.time = "08:00:00";
    second.calibration = "006";
    second.ki = "-01.2000";
    second.unitUtf8 = "% НКПР";
    const std::string csv = RecordsCsv(Records({LogLine{}, second}), CsvFlavour::kRfc4180);
    EXPECT_EQ(csv,
              "date,time,sensor_old,sensor_new,calibration,k00,ki,calibration_resource_max,work_resource_max,"
              "unit\r\n"
              "2026-05-14,10:22:05,03-01.00.012.345,03-01.00.012.345,5,0.9766,1.0000,500,17520,мг/м3\r\n"
              "2026-06-01,08:00:00,03-01.00.012.345,03-01.00.012.345,6,0.9766,-1.2000,500,17520,% НКПР\r\n");
    const std::string excel = RecordsCsv(Records({LogLine{}}), CsvFlavour::kExcel);
    EXPECT_EQ(excel.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(excel.substr(3, 16), "date;time;sensor");
    EXPECT_NE(excel.find("2026-05-14;10:22:05;03-01.00.012.345;"), std::string::npos);
    // An empty log is the header alone.
    EXPECT_EQ(RecordsCsv({}, CsvFlavour::kRfc4180).find("\r\n"),
              RecordsCsv({}, CsvFlavour::kRfc4180).size() - 2);
}

TEST(CsvExport, QuotingWhereTheSeparatorOrAQuoteAppears) {
    const struct {
        const char* unit;
        CsvFlavour flavour;
        const char* field;
    } cases[] = {
        {"a,b", CsvFlavour::kRfc4180, ",\"a,b\"\r\n"},     {"a,b", CsvFlavour::kExcel, ";a,b\r\n"},
        {"a;b", CsvFlavour::kExcel, ";\"a;b\"\r\n"},       {"a;b", CsvFlavour::kRfc4180, ",a;b\r\n"},
        {"12\"", CsvFlavour::kRfc4180, ",\"12\"\"\"\r\n"}, {"  ppm", CsvFlavour::kRfc4180, ",  ppm\r\n"},
    };
    for (const auto& c : cases) {
        LogLine l;
        l.unitUtf8 = c.unit;
        const std::string csv = RecordsCsv(Records({l}), c.flavour);
        EXPECT_TRUE(csv.ends_with(c.field)) << c.unit << ": " << csv;
    }
    EXPECT_EQ(CsvField("x\r\ny", ','), "\"x\r\ny\"");
}

TEST(CsvExport, FormulaStartsAreTextInTheExcelFormOnly) {
    const struct {
        const char* sensor;  // 16 characters, as the column holds
        const char* unit;
        const char* excelCells;  // sensor_old;...;unit of the Excel form
    } cases[] = {
        {"@SUM(A1)        ", "=1+2", "'@SUM(A1)        ;'@SUM(A1)        ;1;0.9766;1.0000;500;17520;'=1+2"},
        {"+1+cmd|' /C calc", "-2", "'+1+cmd|' /C calc;'+1+cmd|' /C calc;1;0.9766;1.0000;500;17520;'-2"},
        {"=HYPERLINK(\"x\")", "\tx",
         "\"'=HYPERLINK(\"\"x\"\")\";\"'=HYPERLINK(\"\"x\"\")\";1;0.9766;1.0000;500;17520;'\tx"},
        {"\r3-01.00.012.34", "ppm",
         "\"'\r3-01.00.012.34\";\"'\r3-01.00.012.34\";1;0.9766;1.0000;500;17520;ppm"},
        {"03-01.00.012.345", "мг/м3", "03-01.00.012.345;03-01.00.012.345;1;0.9766;1.0000;500;17520;мг/м3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sensor);
        ReportRecord r;
        r.date = {2026, 5, 14};
        r.time = "10:22:05";
        r.sensorOld = r.sensorNew = Cp1251FromUtf8(c.sensor);
        r.calibration = 1;
        r.k00 = "0.9766";
        r.ki = "1.0000";
        r.calibrationResourceMax = 500;
        r.workResourceMax = 17520;
        r.unit = Cp1251FromUtf8(c.unit);
        const std::string excel = RecordsCsv({r}, CsvFlavour::kExcel);
        EXPECT_TRUE(excel.ends_with("2026-05-14;10:22:05;" + std::string(c.excelCells) + "\r\n")) << excel;
        // The plain form carries the bytes as they are, quoted only for the
        // separator, a quote, CR or LF.
        const std::string plain = RecordsCsv({r}, CsvFlavour::kRfc4180);
        const std::string sensor = CsvField(c.sensor, ',');
        EXPECT_TRUE(plain.ends_with("2026-05-14,10:22:05," + sensor + "," + sensor +
                                    ",1,0.9766,1.0000,500,17520," + CsvField(c.unit, ',') + "\r\n"))
            << plain;
    }
    // A negative K stays a number.
    LogLine negative;
    negative.k00 = "-00.5000";
    EXPECT_NE(RecordsCsv(Records({negative}), CsvFlavour::kExcel).find(";5;-0.5000;"), std::string::npos);
}

TEST(CsvExport, AnIdenticalRecordOfTwoLogsIsMergedOnce) {
    LogLine a, b, c;
    b.date = "15.05.2026";
    c = b;
    c.ki = "+01.1000";  // same second and sensor, another value: both stay
    std::vector<ReportRecord> all = Records({a, b});
    const auto older = Records({a, b, c, a});
    all.insert(all.end(), older.begin(), older.end());
    MergeRecords(all);
    std::vector<std::string> kept;
    for (const ReportRecord& r : all)
        kept.push_back(IsoDateText(r.date) + " " + r.ki);
    EXPECT_EQ(kept,
              (std::vector<std::string>{"2026-05-14 1.0000", "2026-05-15 1.0000", "2026-05-15 1.1000"}));
    const auto history = SensorHistory(Records({a, b, a, b}), a.sensor);
    ASSERT_EQ(history.size(), 2u);
    EXPECT_NEAR(*history[1].changePercent, 0.0, 1e-9);
}

TEST(CsvExport, MergingSortsByDateTimeThenSensor) {
    LogLine a1, a2, b1, b2;
    a1.date = "02.01.2026";
    a2.date = "10.01.2026";
    b1.date = "05.01.2026";
    b2.date = "10.01.2026";  // same date and time as a2: the sensor number decides
    a2.sensor = "03-01.00.000.009";
    b2.sensor = "03-01.00.000.002";
    std::vector<ReportRecord> all = Records({a1, a2});
    const auto second = Records({b1, b2});
    all.insert(all.end(), second.begin(), second.end());
    SortByDateTimeSensor(all);
    std::vector<std::string> order;
    for (const ReportRecord& r : all)
        order.push_back(IsoDateText(r.date) + " " + r.sensorNew);
    EXPECT_EQ(order,
              (std::vector<std::string>{"2026-01-02 03-01.00.012.345", "2026-01-05 03-01.00.012.345",
                                        "2026-01-10 03-01.00.000.002", "2026-01-10 03-01.00.000.009"}));
}

TEST(ReportRecords, DamagedLogGivesNoRecords) {
    const std::string good = LogBytes({RecordLine({}), RecordLine({})});
    std::string digit = good;
    digit[digit.size() - 10 - 106 - 106 + 3] = '9';  // a digit of the last record's date
    const ReportRecords checksum = ReadReportRecords(digit);
    EXPECT_FALSE(checksum.ok);
    EXPECT_TRUE(checksum.records.empty());
    EXPECT_EQ(Utf8FromCp1251(checksum.message), "Файл Отчета: не совпадает Контрольная Сумма");

    // A checksum that matches over a record whose columns are wrong.
    LogLine odd;
    odd.ki = "+0x.1234";
    const ReportRecords columns = ReadReportRecords(LogBytes({RecordLine({}), RecordLine(odd)}));
    EXPECT_FALSE(columns.ok);
    EXPECT_TRUE(columns.records.empty());
    EXPECT_EQ(Utf8FromCp1251(columns.message), "Файл Отчета: не корректный формат строк, запись 2");
}

TEST(SensorHistory, OldestFirstWithTheChangeOfTheSlope) {
    const auto line = [](const char* date, const char* ki, const char* sensor = "03-01.00.012.345") {
        LogLine l;
        l.date = date;
        l.ki = ki;
        l.sensor = sensor;
        return l;
    };
    const auto records =
        Records({line("01.03.2026", "+01.1000"), line("01.01.2026", "+01.0000"),
                 line("15.02.2026", "+05.0000", "03-01.00.000.001"), line("01.04.2026", "+00.0000"),
                 line("01.05.2026", "+00.5000"), line("01.06.2026", "+00.6100")});
    const auto history = SensorHistory(records, SensorNumberFromArgument("03-01_00_012_345"));
    ASSERT_EQ(history.size(), 5u);
    EXPECT_EQ(history[0].record.date, (CivilDate{2026, 1, 1}));
    EXPECT_FALSE(history[0].changePercent);
    ASSERT_TRUE(history[1].changePercent);
    EXPECT_NEAR(*history[1].changePercent, 10.0, 1e-9);
    EXPECT_FALSE(history[1].fastChange);
    EXPECT_NEAR(*history[2].changePercent, -100.0, 1e-9);  // to zero: lost its sensitivity
    EXPECT_TRUE(history[2].fastChange);
    EXPECT_FALSE(history[3].changePercent);  // from zero: no percentage
    EXPECT_NEAR(*history[4].changePercent, 22.0, 1e-9);
    EXPECT_TRUE(history[4].fastChange);
    EXPECT_TRUE(SensorHistory(records, "03-01.00.000.777").empty());
}

class DueList : public testing::TempDataRoot {
protected:
    void Put(const std::string& name, const std::string& bytes) {
        const auto dir = root_ / "sensors" / "03-CO" / "Тип_03-01";
        std::filesystem::create_directories(dir);
        std::ofstream(dir / name, std::ios::binary) << bytes;
    }
    static std::string Cert(unsigned serial, const char* next, const char* endOfUse, ReportTimestamp when) {
        return testing::CertificateFile({3, serial, 1, 3}, "CO", next, endOfUse, when);
    }
    std::vector<std::string> DueTexts(const CivilDate& today, std::int64_t within) {
        std::vector<std::string> out;
        for (const DueSensor& d : DueSensors(ScanCertificates(root_ / "sensors").certificates, today, within))
            out.push_back(Utf8FromCp1251(d.certificate.summary.sensorNumber) + " " +
                          IsoDateText(d.certificate.summary.nextCalibration) + " " +
                          std::to_string(d.daysLeft) + (d.endOfUsePassed ? " end" : ""));
        return out;
    }
};

TEST_F(DueList, MonthEndsOverdueAndTheWindow) {
    Put("03-01_00_000_001.dat", Cert(1, "28.02.2027", "31.12.2030", {28, 8, 2026, 9, 0, 0}));
    Put("03-01_00_000_002.dat", Cert(2, "31.01.2027", "31.12.2030", {31, 7, 2026, 9, 0, 0}));
    Put("03-01_00_000_003.dat", Cert(3, "31.12.2026", "30.11.2026", {30, 6, 2026, 9, 0, 0}));
    Put("03-01_00_000_004.dat", Cert(4, "01.06.2027", "00.00.0000", {1, 12, 2026, 9, 0, 0}));
    // From 31.01.2027: sensor 3 is a month overdue and past its end of use,
    // sensor 2 is due today, sensor 1 in 28 days, sensor 4 not within 30.
    EXPECT_EQ(DueTexts({2027, 1, 31}, 30),
              (std::vector<std::string>{"03-01.00.000.003 2026-12-31 -31 end",
                                        "03-01.00.000.002 2027-01-31 0", "03-01.00.000.001 2027-02-28 28"}));
    EXPECT_EQ(DueTexts({2027, 1, 31}, 27), (std::vector<std::string>{"03-01.00.000.003 2026-12-31 -31 end",
                                                                     "03-01.00.000.002 2027-01-31 0"}));
    EXPECT_EQ(DueTexts({2027, 2, 1}, 0).size(), 2u);
    EXPECT_EQ(DueTexts({2026, 12, 1}, 0), std::vector<std::string>{});
}

TEST_F(DueList, NewestCertificatePerSensorAndDamagedOnesNamed) {
    // An older copy of sensor 1 elsewhere below the directory does not count.
    Put("03-01_00_000_001.dat", Cert(1, "01.03.2027", "31.12.2030", {1, 9, 2026, 9, 0, 0}));
    Put("03-01_00_000_001_old.dat", Cert(1, "01.01.2027", "31.12.2030", {1, 7, 2026, 9, 0, 0}));
    std::string damaged = Cert(2, "01.01.2027", "31.12.2030", {1, 7, 2026, 9, 0, 0});
    damaged[80] = 'Z';
    Put("03-01_00_000_002.dat", damaged);
    Put("03-01_00_000_003.dat", Cert(3, "31.02.2027", "31.12.2030", {1, 7, 2026, 9, 0, 0}));
    Put("notes.txt", "not a certificate");
    const CertificateScan scan = ScanCertificates(root_ / "sensors");
    ASSERT_EQ(scan.certificates.size(), 1u);
    EXPECT_EQ(scan.certificates[0].summary.nextCalibration, (CivilDate{2027, 3, 1}));
    EXPECT_EQ(scan.certificates[0].summary.calibrated.date, (CivilDate{2026, 9, 1}));
    EXPECT_EQ(Utf8FromCp1251(scan.certificates[0].summary.gas), "CO");
    EXPECT_EQ(scan.certificates[0].summary.calibration, 5);
    ASSERT_EQ(scan.problems.size(), 2u);
    EXPECT_TRUE(scan.problems[0].path.ends_with("03-01_00_000_002.dat"));
    EXPECT_EQ(Utf8FromCp1251(scan.problems[0].message), "Файл Датчика: не совпадает Контрольная Сумма");
    EXPECT_EQ(Utf8FromCp1251(scan.problems[1].message),
              "Файл Датчика: нет верной даты следующей градуировки");

    const CertificateScan missing = ScanCertificates(root_ / "nowhere");
    EXPECT_TRUE(missing.certificates.empty());
    EXPECT_EQ(missing.problems.size(), 1u);
}

}  // namespace
}  // namespace gvc
