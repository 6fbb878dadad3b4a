// The sensor-type table reader on any bytes. A table that loads must also
// survive the table tools: its description reads back to the same table (or
// is refused), and the writer's bytes load back to the same table.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "table/table_description.h"
#include "table/table_loader.h"
#include "table/table_writer.h"
#include "util/cp1251.h"

namespace {

using namespace gvc::literals;
constexpr std::string_view kChecksumMessage = "Не совпадает Контрольная Сумма"_cp;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    gvc::SensorTypeTable table;
    gvc::ErrorText error;
    if (!gvc::ParseSensorTypeTable(bytes, table, error)) {
        GVC_FUZZ_CHECK(!error.Empty());
        // The checksum is compared last: a table refused only for it was read
        // in full, and a mutated table rarely keeps its sums, so the tools are
        // tried on it all the same.
        if (error.Text() != kChecksumMessage) return 0;
    }
    std::string problem;
    if (const auto description = gvc::DescribeTable(table, problem)) {
        gvc::SensorTypeTable described;
        GVC_FUZZ_CHECK(gvc::ParseTableDescription(*description, described, problem));
        GVC_FUZZ_CHECK(described == table);
    }
    if (const auto written = gvc::WriteSensorTypeTableBytes(table, problem)) {
        gvc::SensorTypeTable reloaded;
        gvc::ErrorText reloadError;
        GVC_FUZZ_CHECK(gvc::ParseSensorTypeTable(*written, reloaded, reloadError));
        GVC_FUZZ_CHECK(reloaded == table);
    }
    return 0;
}
