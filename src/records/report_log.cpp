#include "records/report_log.h"

#include <array>

#include "records/locations.h"
#include "records/sensor_number.h"
#include "util/cp1251.h"
#include "util/native_path.h"
#include "util/system_error.h"
#include "util/text_checksum.h"
#include "util/text_format.h"

namespace gvc {

using namespace gvc::literals;

namespace {

constexpr std::string_view kBoxRule = "|----------------------------------------------------|";
constexpr std::array<std::string_view, 8> kHeaderBox = {
    kBoxRule,
    "|    Данный файл создан программой G_Varnest.exe     |"_cp,
    "|       для отчета по проведенным градуировкам       |"_cp,
    "|             газоаналитических датчиков             |"_cp,
    kBoxRule,
    "|            ! ! ! В Н И М А Н И Е ! ! !             |"_cp,
    "| Изменение и корректировка данного файла ЗАПРЕЩЕНА! |"_cp,
    kBoxRule,
};
constexpr std::string_view kSeparator =
    "|----------|--------|----------------|----------------|---|----------|----------|------|------|--------"
    "|";
constexpr std::array<std::string_view, 4> kTableHead = {
    "|------------------------------------------------------------------------------------------------------"
    "|",
    "|          |        |          Номер Датчика          |        Калибровка       |       Ресурс         |"_cp,
    "|   Дата   |  Время |     старый     |      новый     | № |   K<00>  |   K<i>   |Калибр| Общий| ед.изм |"_cp,
    kSeparator,
};
static_assert(kBoxRule.size() == kReportHeaderWidth && kHeaderBox[1].size() == kReportHeaderWidth &&
              kHeaderBox[6].size() == kReportHeaderWidth);
static_assert(kTableHead[0].size() == kReportLineWidth && kTableHead[1].size() == kReportLineWidth &&
              kTableHead[2].size() == kReportLineWidth && kSeparator.size() == kReportLineWidth);

constexpr std::string_view kCrLf = "\r\n";

std::string WithCrLf(std::string_view line) {
    return std::string(line) + std::string(kCrLf);
}

// Where the record lines of a verified log end (the closing line starts there)
// and the sums over everything before the trailer.
struct LogLayout {
    enum class Status { kOk, kBadFormat, kBadChecksum } status = Status::kBadFormat;
    std::size_t recordsEnd = 0;
    std::size_t trailerEnd = 0;  // where the 8 checksum bytes end
    TextFileChecksum sums;
    std::vector<std::string_view> records;
};

// Reads the log as the append does: the fixed lines must match byte for byte,
// records run until the closing separator, then the stored sums must match.
LogLayout ReadLayout(std::string_view bytes) {
    LogLayout layout;
    std::size_t pos = 0;
    auto readLine = [&](std::size_t width) -> std::optional<std::string_view> {
        const std::size_t n = width + 2;
        if (bytes.size() - pos < n) return std::nullopt;
        const std::string_view line = bytes.substr(pos, n);
        pos += n;
        layout.sums.AddLine(line);
        return line;
    };
    for (std::string_view expected : kHeaderBox) {
        const auto line = readLine(kReportHeaderWidth);
        if (!line || *line != WithCrLf(expected)) return layout;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        const auto line = readLine(kReportLineWidth);
        if (!line || *line != WithCrLf(kTableHead[i])) return layout;
    }
    // The table head's separator line is read like the others before any record.
    {
        const auto line = readLine(kReportLineWidth);
        if (!line || *line != WithCrLf(kSeparator)) return layout;
    }
    while (true) {
        const std::size_t start = pos;
        const auto line = readLine(kReportLineWidth);
        if (!line) return layout;
        if (*line == WithCrLf(kSeparator)) {
            layout.recordsEnd = start;
            break;
        }
        layout.records.push_back(line->substr(0, kReportLineWidth));
    }
    const std::string_view trailer = bytes.substr(pos, TextFileChecksum::kTrailerSize);
    layout.trailerEnd = pos + trailer.size();
    layout.status =
        layout.sums.MatchesTrailer(trailer) ? LogLayout::Status::kOk : LogLayout::Status::kBadChecksum;
    return layout;
}

}  // namespace

std::string EmptyReportLogBytes() {
    TextFileChecksum sums;
    std::string bytes;
    auto add = [&](std::string_view line) {
        const std::string full = WithCrLf(line);
        sums.AddLine(full);
        bytes += full;
    };
    for (std::string_view line : kHeaderBox)
        add(line);
    for (std::string_view line : kTableHead)
        add(line);
    add(kSeparator);
    return bytes + sums.Trailer() + std::string(kCrLf);
}

std::string ReportRecordLine(const ReportTimestamp& when, std::string_view slopeText,
                             std::string_view initialSlopeText, const SensorParams& newParams,
                             const SensorIdentity& identity, const SensorTypeTable& table) {
    const std::string number = SensorNumberText(identity);
    const auto clampToInt = [](std::uint32_t v) {
        return static_cast<std::int32_t>(std::min<std::uint32_t>(v, 0x7FFFFFFF));
    };
    std::string line = "|" + DateText(when) + "|" + TimeText(when) + "|" + number + "|" + number + "|";
    line += FormatIntZero(newParams.CalibrationCount + 1, 3) + "| ";
    line += std::string(initialSlopeText) + " | " + std::string(slopeText) + " |";
    line += FormatIntZero(clampToInt(newParams.CalResourceMax), 6) + "|";
    line += FormatIntZero(clampToInt(newParams.WorkResourceMax), 6) + "|";
    line += PadRightSpaces(ListText(table.unitList, newParams.UnitCode), 8) + "|";
    return line;
}

bool CreateReportLog(FileSystem& fs, Operator& op, ErrorText& error) {
    if (!fs.IsDirectory(locations::ReportDir) && !fs.MakeDirectory(locations::ReportDir)) {
        op.Show(MessageKind::kError,
                std::string("Не могу создать директорию "_cp) + ShownPath(locations::ReportDir));
        return false;
    }
    std::string cause;
    if (WriteFileAtomically(fs, locations::ReportLogPath, EmptyReportLogBytes(), cause)) return true;
    error.Set(WithCause("Не открывается файл Отчетов для записи"_cp, cause));
    return false;
}

bool AppendReportRecord(std::string_view slopeText, std::string_view initialSlopeText,
                        const SensorParams& newParams, const SensorIdentity& identity,
                        const SensorTypeTable& table, const ReportTimestamp& when, FileSystem& fs,
                        ErrorText& error) {
    const std::string_view logPath = locations::ReportLogPath;
    const std::string base(logPath.substr(0, logPath.size() - 4));
    const std::string copyPath = base + ".bak";

    // Every failure keeps its fixed message; when the system said why (a full
    // disk, a missing right), its text follows on a second line.
    const auto old = fs.ReadAll(logPath, kMaxReportLogSize);
    if (!old) {
        error.Set(WithCause(
            std::string("Не открывается файл "_cp) + ShownPath(base + ".log") + std::string(" для чтения"_cp),
            fs.FailureCause()));
        return false;
    }

    auto copy = fs.Create(copyPath);
    if (!copy) {
        error.Set(WithCause(
            std::string("Не открывается файл "_cp) + ShownPath(base + ".bak") + std::string(" для записи"_cp),
            fs.FailureCause()));
        return false;
    }
    // Any failure from here on leaves REPORT.log untouched; the partial copy goes.
    auto fail = [&](std::string_view message, std::string_view cause = {}) {
        error.Set(WithCause(message, cause));
        copy->Close();
        fs.Remove(copyPath);
        return false;
    };

    LogLayout layout = ReadLayout(*old);
    if (layout.status == LogLayout::Status::kBadFormat)
        return fail("Файл Отчета: нарушен формат исходного файла"_cp);
    if (!copy->Write(std::string_view(*old).substr(0, layout.recordsEnd))) {
        return fail("Файл Отчета: нарушен формат исходного файла"_cp, copy->FailureCause());
    }
    if (layout.status == LogLayout::Status::kBadChecksum)
        return fail("Файл Отчета: не совпадает Контрольная Сумма"_cp);

    const std::string record =
        WithCrLf(ReportRecordLine(when, slopeText, initialSlopeText, newParams, identity, table));
    if (record.size() != kReportLineWidth + 2) return fail("Файл Отчета: не корректный формат строк"_cp);
    layout.sums.AddLine(record);
    const std::string closing = WithCrLf(kSeparator);
    layout.sums.AddLine(closing);
    if (!copy->Write(record + closing + layout.sums.Trailer() + std::string(kCrLf))) {
        return fail("Файл Отчета: не корректный формат строк"_cp, copy->FailureCause());
    }
    // The copy must be on the disk before it takes the log's place; a failed
    // flush is never retried (the data may already be lost), the append fails.
    if (!copy->Flush() || !copy->Close())
        return fail("Сбой при записи файла Отчета"_cp, copy->FailureCause());
    if (!fs.Replace(copyPath, logPath)) {
        const std::string cause = fs.FailureCause();
        fs.Remove(copyPath);
        error.Set(WithCause("Сбой при записи файла Отчета"_cp, cause));
        return false;
    }
    return true;
}

ReportLogCheck VerifyReportLog(std::string_view bytes) {
    ReportLogCheck check;
    const LogLayout layout = ReadLayout(bytes);
    for (std::string_view record : layout.records)
        check.records.emplace_back(record);
    // An auditor also wants every record to be one whole line: framed by bars,
    // ended by CR LF, with no line break inside (the append copies records
    // without looking at them).
    for (std::string_view record : layout.records) {
        const auto offset = static_cast<std::size_t>(record.data() - bytes.data()) + record.size();
        if (record.front() != '|' || record.back() != '|' || bytes.substr(offset, 2) != kCrLf ||
            record.find_first_of("\r\n") != std::string_view::npos) {
            check.message = "Файл Отчета: не корректный формат строк"_cp;
            return check;
        }
    }
    switch (layout.status) {
        case LogLayout::Status::kOk:
            // The append copies nothing after the checksum, so anything there
            // (but the CR LF it writes) was put there by someone else.
            if (const std::string_view rest = bytes.substr(layout.trailerEnd);
                !rest.empty() && rest != kCrLf) {
                check.message = "Файл Отчета: лишние данные после Контрольной Суммы"_cp;
                break;
            }
            check.ok = true;
            break;
        case LogLayout::Status::kBadFormat:
            check.message = "Файл Отчета: нарушен формат исходного файла"_cp;
            break;
        case LogLayout::Status::kBadChecksum:
            check.message = "Файл Отчета: не совпадает Контрольная Сумма"_cp;
            break;
    }
    return check;
}

}  // namespace gvc
