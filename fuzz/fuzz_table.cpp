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

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    gvc::SensorTypeTable table;
    gvc::ErrorText error;
    if (!gvc::ParseSensorTypeTable(bytes, table, error)) {
        GVC_FUZZ_CHECK(!error.Empty());
        return 0;
    }
    std::string problem;
    if (const auto description = gvc::DescribeTable(table, problem)) {
        gvc::SensorTypeTable described;
        GVC_FUZZ_CHECK(gvc::ParseTableDescription(*description, described, problem));
        GVC_FUZZ_CHECK(described == table);
    }
    if (const auto written = gvc::WriteSensorTypeTableBytes(table, problem)) {
        gvc::SensorTypeTable reloaded;
        GVC_FUZZ_CHECK(gvc::ParseSensorTypeTable(*written, reloaded, error));
        GVC_FUZZ_CHECK(reloaded == table);
    }
    return 0;
}
