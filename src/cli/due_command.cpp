#include <charconv>
#include <ostream>

#include "cli/central_access.h"
#include "cli/cli_command.h"
#include "cli/store_access.h"
#include "history/due_list.h"
#include "records/locations.h"
#include "records/report_timestamp.h"
#include "util/cp1251.h"
#include "util/native_path.h"
#include "util/text_format.h"

namespace gvc::cli {

namespace {

constexpr std::int64_t kDefaultWithinDays = 30;
// Far enough for any plan, small enough that no date arithmetic overflows.
constexpr std::int64_t kMaxWithinDays = 100000;

int Usage(CommandIo io) {
    io.err << "usage: gvc-cli due [--within DAYS] [--today YYYY-MM-DD] [--tsv] [--files | --central]\n";
    return 2;
}

std::string Cell(std::string_view cp1251, int width) {
    return Utf8FromCp1251(PadRightSpaces(cp1251, width));
}

}  // namespace

// The sensors whose next calibration is past or near, from the newest
// certificate of every sensor below the sensors directory, the workstation's
// database, or with --central the newest run of each sensor from any
// workstation on the laboratory's server.
int RunDue(std::span<const std::string> allArgs, CommandIo io) {
    const CentralChoice choice = TakeCentralOption(allArgs);
    const std::span<const std::string> args = choice.rest;
    std::int64_t within = kDefaultWithinDays;
    CivilDate today = LocalDateToday();
    bool tsv = false;
    bool files = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--tsv") {
            tsv = true;
        } else if (arg == "--files") {
            files = true;
        } else if (arg == "--within" && i + 1 < args.size()) {
            const std::string& v = args[++i];
            const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), within);
            if (ec != std::errc() || end != v.data() + v.size() || within < 0 || within > kMaxWithinDays) {
                io.err << "--within takes a number of days from 0 to " << kMaxWithinDays << "\n";
                return 2;
            }
        } else if (arg == "--today" && i + 1 < args.size()) {
            const auto date = ParseIsoDate(args[++i]);
            if (!date) {
                io.err << "--today takes a date YYYY-MM-DD\n";
                return 2;
            }
            today = *date;
        } else {
            return Usage(io);
        }
    }
    if (choice.central) return files ? Usage(io) : DueFromCentral(today, within, tsv, io);
    // The database when there is one; the certificates themselves with --files or without it.
    if (!files && WorkstationStoreExists()) return DueFromStore(today, within, tsv, io);
    const CertificateScan scan = ScanCertificates(NativePath(locations::SensorsDir));
    for (const CertificateProblem& p : scan.problems)
        PrintLine(io.err, p.path + ": " + p.message);
    const std::vector<DueSensor> due = DueSensors(scan.certificates, today, within);
    if (tsv) {
        io.out << "sensor\tgas\tcalibrated\tnext\tdays\n";
        for (const DueSensor& d : due) {
            const CertificateSummary& s = d.certificate.summary;
            io.out << Utf8FromCp1251(s.sensorNumber) << "\t" << Utf8FromCp1251(s.gas) << "\t"
                   << IsoDateText(s.calibrated.date) << "\t" << IsoDateText(s.nextCalibration) << "\t"
                   << d.daysLeft << "\n";
        }
    } else {
        io.out << "sensor            gas         calibrated  next         days  end of use passed\n";
        for (const DueSensor& d : due) {
            const CertificateSummary& s = d.certificate.summary;
            std::string days = std::to_string(d.daysLeft);
            days.insert(0, days.size() < 5 ? 5 - days.size() : 0, ' ');
            io.out << Cell(s.sensorNumber, 16) << "  " << Cell(s.gas, 10) << "  "
                   << DotDateText(s.calibrated.date) << "  " << DotDateText(s.nextCalibration) << "  "
                   << days;
            if (d.endOfUsePassed) io.out << "  " << DotDateText(*s.endOfUse);
            io.out << "\n";
        }
    }
    return scan.problems.empty() ? 0 : 1;
}

}  // namespace gvc::cli
