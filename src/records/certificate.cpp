#include "records/certificate.h"

#include "records/certificate_archive.h"
#include "records/data_dirs.h"
#include "records/sensor_number.h"
#include "util/cp1251.h"
#include "util/native_path.h"
#include "util/system_error.h"
#include "util/text_checksum.h"
#include "util/text_format.h"

namespace gvc {

using namespace gvc::literals;

namespace {

constexpr std::string_view kCrLf = "\r\n";

// The sections: head row, then the rows written (range rows marked).
struct SectionRow {
    int row;
    bool range;
};
struct Section {
    int head;
    std::vector<SectionRow> rows;
};

std::vector<SectionRow> Items(std::initializer_list<int> rows) {
    std::vector<SectionRow> out;
    for (int r : rows)
        out.push_back({r, false});
    return out;
}

const std::vector<Section>& Sections() {
    static const std::vector<Section> sections = [] {
        std::vector<Section> s;
        s.push_back({0, Items({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})});
        s.push_back({13, Items({15, 16, 18, 19, 20, 22, 23, 24, 25, 26, 27})});
        s.push_back({28, Items({29, 30, 31, 32, 33})});
        std::vector<SectionRow> temperature;
        for (int r = 35; r <= 50; ++r)
            temperature.push_back({r, r <= 47 && (r - 35) % 3 == 0});
        s.push_back({34, temperature});
        std::vector<SectionRow> resource;
        for (int r = 52; r <= 63; ++r)
            resource.push_back({r, (r - 52) % 4 == 0});
        s.push_back({51, resource});
        return s;
    }();
    return sections;
}

// Drops the "NN. " numbering of a caption.
std::string_view WithoutNumber(std::string_view caption) {
    return caption.size() > 4 ? caption.substr(4) : "";
}

}  // namespace

std::string CertificatePath(const SensorIdentity& identity, const SensorTypeTable& table) {
    return TypeDirectoryPath(identity.GasNumber, identity.TypeNumber, table) + "\\" +
           SensorFileNumber(identity) + ".dat";
}

std::string CertificateBytes(const CharacteristicsRows& rows, std::string_view referenceText,
                             const SensorIdentity& identity, const SensorParams& newParams,
                             const ReportTimestamp& when) {
    std::vector<std::string> lines;
    const std::string dashes(kCertificateLineWidth, '-');
    lines.emplace_back("ООО НПФ ВЕЛМОР"_cp);
    lines.emplace_back();
    lines.push_back(std::string("        Сертификат на градуировку датчика № "_cp) +
                    SensorNumberText(identity));
    lines.push_back(dashes);
    lines.push_back(std::string("Дата:"_cp) + DateText(when) + std::string("        Время: "_cp) +
                    TimeText(when) + std::string("       № "_cp) +
                    FormatIntZero(newParams.CalibrationCount + 1, 3) + std::string("    градуировки."_cp));
    lines.push_back(dashes);
    const std::string_view referenceCaption = "Эталонная Концентрация в"_cp;
    for (const Section& section : Sections()) {
        lines.push_back(rows[static_cast<std::size_t>(section.head)].caption);
        for (const SectionRow& item : section.rows) {
            const CharacteristicsRow& row = rows[static_cast<std::size_t>(item.row)];
            if (item.range) {
                lines.push_back("------------" + row.oldText);
                continue;
            }
            const std::string_view name = WithoutNumber(row.caption);
            // The reference concentration is the one in use for this calibration.
            const std::string& value = section.head == 13 && name.starts_with(referenceCaption)
                                           ? std::string(referenceText)
                                           : row.newText;
            lines.push_back(PadRightSpaces(name, 52) + "- " + value);
        }
        lines.push_back(dashes);
    }
    std::string bytes;
    TextFileChecksum sums;
    for (const std::string& text : lines) {
        // A list text of up to 32 characters after a 54-character label can
        // exceed the line: it is cut, so the file keeps its fixed layout.
        const std::string line = PadRightSpaces(std::string_view(text).substr(0, kCertificateLineWidth),
                                                static_cast<int>(kCertificateLineWidth)) +
                                 std::string(kCrLf);
        sums.AddLine(line);
        bytes += line;
    }
    return bytes + sums.Trailer() + std::string(kCrLf);
}

bool WriteSensorFile(const CharacteristicsRows& rows, std::string_view referenceText,
                     const SensorIdentity& identity, const SensorParams& newParams,
                     const SensorTypeTable& table, const ReportTimestamp& when, FileSystem& fs,
                     ErrorText& error) {
    const std::string path = CertificatePath(identity, table);
    error.Set(std::string("Не открывается файл "_cp) + ShownPath(path) + std::string(" для записи"_cp));
    if (!IsSafeGasDirectoryName(table.GasName(identity.GasNumber))) return false;
    // The certificate about to be replaced is kept first; without it, no new one.
    if (!ArchiveCertificate(identity, table, fs, error)) return false;
    const std::string bytes = CertificateBytes(rows, referenceText, identity, newParams, when);
    const std::string temporary = path + ".tmp";
    auto file = fs.Create(temporary);
    if (!file) {
        error.Set(WithCause(error.Text(), fs.FailureCause()));
        return false;
    }
    // The fixed message, and the system's reason on a second line when known.
    const bool written = file->Write(bytes) && file->Flush();
    std::string cause = written ? std::string() : file->FailureCause();
    const bool closed = file->Close();
    if (written && !closed) cause = file->FailureCause();
    const bool replaced = written && closed && fs.Replace(temporary, path);
    if (written && closed && !replaced) cause = fs.FailureCause();
    if (!replaced) {
        error.Set(WithCause("Не проходит запись в файл Датчика"_cp, cause));
        fs.Remove(temporary);
        return false;
    }
    return true;
}

CertificateCheck VerifyCertificate(std::string_view bytes) {
    CertificateCheck check;
    constexpr std::size_t kLine = kCertificateLineWidth + 2;
    const std::size_t tail = TextFileChecksum::kTrailerSize + 2;
    if (bytes.empty()) {
        check.message = "Файл Датчика: пустой файл"_cp;
        return check;
    }
    if (bytes.size() < tail || (bytes.size() - tail) % kLine != 0) {
        check.message = "Файл Датчика: нарушена длина строк"_cp;
        return check;
    }
    TextFileChecksum sums;
    for (std::size_t pos = 0; pos + tail < bytes.size(); pos += kLine) {
        const std::string_view line = bytes.substr(pos, kLine);
        if (line.substr(kCertificateLineWidth) != kCrLf ||
            line.substr(0, kCertificateLineWidth).find_first_of("\r\n") != std::string_view::npos) {
            check.message = "Файл Датчика: нарушена длина строк"_cp;
            return check;
        }
        sums.AddLine(line);
        ++check.lines;
    }
    if (!sums.MatchesTrailer(bytes.substr(bytes.size() - tail)) || bytes.substr(bytes.size() - 2) != kCrLf) {
        check.message = "Файл Датчика: не совпадает Контрольная Сумма"_cp;
        return check;
    }
    check.ok = true;
    return check;
}

}  // namespace gvc
