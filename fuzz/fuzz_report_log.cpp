// The report-log check on any bytes: a log it calls intact must be one that
// the append accepts, and every record it lists is one whole line.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "records/report_log.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const gvc::ReportLogCheck check = gvc::VerifyReportLog(bytes);
    GVC_FUZZ_CHECK(check.ok == check.message.empty());
    if (check.ok) {
        for (const std::string& record : check.records)
            GVC_FUZZ_CHECK(record.size() == gvc::kReportLineWidth);
        GVC_FUZZ_CHECK(bytes.size() >= gvc::kEmptyReportLogSize);
    }
    return 0;
}
