// gvc-tablegen: makes a sensor-type table file from a readable description,
// or describes an existing table file.
//   gvc-tablegen DESCRIPTION.txt OUTPUT.dat
//   gvc-tablegen --describe TABLE.dat
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

#include "sensor/table_field_fit.h"
#include "table/table_description.h"
#include "table/table_loader.h"
#include "table/table_writer.h"
#include "util/cp1251.h"
#include "util/file_system.h"
#include "util/native_path.h"

namespace {

// A description of the largest table is about a third of this.
constexpr std::size_t kMaxDescriptionSize = 4 * 1024 * 1024;

int Describe(const char* tablePath) {
    gvc::SensorTypeTable table;
    gvc::ErrorText error;
    if (!gvc::LoadSensorTypeTable(tablePath, table, error)) {
        std::cerr << gvc::Utf8FromCp1251(error.Text()) << "\n";
        return 1;
    }
    std::string problem;
    const auto description = gvc::DescribeTable(table, problem);
    if (!description) {
        std::cerr << tablePath << ": " << problem << "\n";
        return 1;
    }
    std::cout << *description;
    return 0;
}

int Generate(const char* descriptionPath, const char* outputPath) {
    const gvc::FileReadResult description = gvc::ReadRegularFile(descriptionPath, kMaxDescriptionSize);
    if (!description.bytes) {
        std::cerr << "cannot read " << descriptionPath << "\n"
                  << gvc::Utf8FromCp1251(description.problem) << "\n";
        return 1;
    }
    gvc::SensorTypeTable table;
    std::string problem;
    if (!gvc::ParseTableDescription(*description.bytes, table, problem)) {
        std::cerr << descriptionPath << ": " << problem << "\n";
        return 1;
    }
    // Values a sensor field cannot hold: warnings only, the file is written.
    for (const gvc::FieldFitProblem& fit : gvc::FindFieldFitProblems(table))
        std::cerr << descriptionPath << ": " << gvc::FieldFitWarningText(table, fit) << "\n";
    const auto bytes = gvc::WriteSensorTypeTableBytes(table, problem);
    if (!bytes) {
        std::cerr << descriptionPath << ": " << problem << "\n";
        return 1;
    }
    // Through a temporary file, so a failed write leaves an older table whole;
    // the system's reason follows on a second line.
    std::string cause;
    const std::string output = gvc::Cp1251PathText(std::filesystem::path(outputPath));
    if (!gvc::WriteFileAtomically(gvc::RealFileSystem(), output, *bytes, cause)) {
        std::cerr << "cannot write " << outputPath << "\n";
        if (!cause.empty()) std::cerr << gvc::Utf8FromCp1251(cause) << "\n";
        return 1;
    }
    return 0;
}

int Run(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--describe") return Describe(argv[2]);
    if (argc != 3) {
        std::cerr << "usage: gvc-tablegen DESCRIPTION OUTPUT\n       gvc-tablegen --describe TABLE\n";
        return 2;
    }
    return Generate(argv[1], argv[2]);
}

}  // namespace

int main(int argc, char** argv) {
    // Nothing may end the program unexplained: any exception is printed.
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "gvc-tablegen: " << e.what() << "\n";
    } catch (...) {
        std::cerr << "gvc-tablegen: unexpected failure\n";
    }
    return 2;
}
