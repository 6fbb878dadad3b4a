#include <iostream>

#include "cli/cli_command.h"
#include "sensor/table_field_fit.h"
#include "table/sensor_type_table.h"
#include "table/table_loader.h"
#include "util/cp1251.h"
#include "util/native_path.h"

namespace gvc::cli {

int RunTableCheck(std::span<const std::string> args, CommandIo io) {
    if (args.size() != 1) {
        io.err << "usage: gvc-cli table-check FILE\n";
        return 2;
    }
    SensorTypeTable table;
    ErrorText error;
    if (!LoadSensorTypeTable(PathFromUtf8(args[0]), table, error)) {
        PrintLine(io.err, error.Text());
        return 1;
    }
    io.out << "gases: " << unsigned{table.gasCount} << "\n";
    for (unsigned g = 0; g < table.gasCount; ++g) {
        io.out << (g < 10 ? "0" : "") << g << " " << Utf8FromCp1251(table.gases[g].name);
        if (!table.gases[g].formula.empty()) io.out << " (" << Utf8FromCp1251(table.gases[g].formula) << ")";
        io.out << ": " << (g == 0 ? "simulator" : std::to_string(table.typeCount[g]) + " types") << "\n";
    }
    const std::pair<const char*, const NameList*> lists[] = {{"kinds", &table.kindList},
                                                             {"electrodes", &table.electrodeList},
                                                             {"measured", &table.measuredParamList},
                                                             {"units", &table.unitList},
                                                             {"makers", &table.makerList},
                                                             {"multipliers", &table.multiplierList},
                                                             {"pga", &table.pgaGainList}};
    for (const auto& [name, list] : lists)
        io.out << name << ": " << unsigned{list->count} << "\n";
    // Values a sensor field cannot hold: warnings only, the table still loads.
    for (const FieldFitProblem& problem : FindFieldFitProblems(table))
        io.err << FieldFitWarningText(table, problem) << "\n";
    io.out << "OK\n";
    return 0;
}

}  // namespace gvc::cli
