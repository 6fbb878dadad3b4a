#include <ostream>

#include "cli/cli_command.h"
#include "records/certificate.h"
#include "records/report_log.h"
#include "util/cp1251.h"
#include "util/native_path.h"

namespace gvc::cli {

// Checks a report log or a certificate copied off a workstation: a report log
// starts with its boxed header, anything else is taken for a certificate.
int RunLogVerify(std::span<const std::string> args, CommandIo io) {
    if (args.size() != 1) {
        io.err << "usage: gvc-cli log-verify FILE\n";
        return 2;
    }
    // A certificate is far smaller than the largest report log.
    const FileReadResult read = ReadRegularFile(PathFromUtf8(args[0]), kMaxReportLogSize);
    if (!read.bytes) {
        io.err << "cannot read " << args[0] << "\n";
        PrintLine(io.err, read.problem);
        return 1;
    }
    const std::optional<std::string>& bytes = read.bytes;
    const std::string_view reportStart = "|-----";
    if (std::string_view(*bytes).starts_with(reportStart)) {
        const ReportLogCheck check = VerifyReportLog(*bytes);
        for (const std::string& record : check.records)
            PrintLine(io.out, record);
        if (!check.ok) {
            PrintLine(io.err, check.message);
            return 1;
        }
        io.out << "report log intact: " << check.records.size() << " records\n";
        return 0;
    }
    const CertificateCheck check = VerifyCertificate(*bytes);
    if (!check.ok) {
        PrintLine(io.err, check.message);
        return 1;
    }
    constexpr std::size_t kLine = kCertificateLineWidth + 2;
    for (std::size_t i = 0; i < check.lines; ++i)
        PrintLine(io.out, std::string_view(*bytes).substr(i * kLine, kCertificateLineWidth));
    io.out << "certificate intact: " << check.lines << " lines\n";
    return 0;
}

}  // namespace gvc::cli
