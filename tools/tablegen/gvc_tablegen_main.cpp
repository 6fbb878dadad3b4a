// gvc-tablegen: makes a sensor-type table file from a readable description,
// or describes an existing table file.
//   gvc-tablegen DESCRIPTION.txt OUTPUT.dat
//   gvc-tablegen --describe TABLE.dat
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "sensor/table_field_fit.h"
#include "table/table_description.h"
#include "table/table_loader.h"
#include "table/table_writer.h"
#include "util/cp1251.h"
#include "util/native_path.h"

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--describe") {
        gvc::SensorTypeTable table;
        gvc::ErrorText error;
        if (!gvc::LoadSensorTypeTable(argv[2], table, error)) {
            std::cerr << gvc::Utf8FromCp1251(error.Text()) << "\n";
            return 1;
        }
        std::cout << gvc::DescribeTable(table);
        return 0;
    }
    if (argc != 3) {
        std::cerr << "usage: gvc-tablegen DESCRIPTION OUTPUT\n       gvc-tablegen --describe TABLE\n";
        return 2;
    }
    const auto description = gvc::ReadFileBytes(argv[1]);
    if (!description) {
        std::cerr << "cannot read " << argv[1] << "\n";
        return 1;
    }
    gvc::SensorTypeTable table;
    std::string problem;
    if (!gvc::ParseTableDescription(*description, table, problem)) {
        std::cerr << argv[1] << ": " << problem << "\n";
        return 1;
    }
    // Values a sensor field cannot hold: warnings only, the file is written.
    for (const gvc::FieldFitProblem& fit : gvc::FindFieldFitProblems(table))
        std::cerr << argv[1] << ": " << gvc::FieldFitWarningText(table, fit) << "\n";
    const auto bytes = gvc::WriteSensorTypeTableBytes(table, problem);
    if (!bytes) {
        std::cerr << argv[1] << ": " << problem << "\n";
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
    out.close();
    if (!out) {
        std::cerr << "cannot write " << argv[2] << "\n";
        return 1;
    }
    return 0;
}
