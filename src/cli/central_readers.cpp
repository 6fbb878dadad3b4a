#include <ostream>

#include "central/central_reader.h"
#include "central/central_settings.h"
#include "cli/central_access.h"
#include "cli/store_access.h"
#include "util/cp1251.h"
#include "util/native_path.h"

namespace gvc::cli {

std::unique_ptr<CentralReader> OpenCentralOrSay(CommandIo io) {
    const std::string file = Cp1251PathText(NativePath(locations::CentralSettingsFile));
    std::string problem;
    const auto settings = LoadCentralSettings(problem);
    if (!settings) {
        if (problem.empty()) {
            PrintLine(io.err, file + ": no central database is set up (gvc-cli central connect)");
        } else {
            PrintLine(io.err, file + ": " + problem);
        }
        return nullptr;
    }
    std::string message;
    auto reader = CentralReader::Open(*settings, message);
    if (!reader) PrintLine(io.err, "central database not reached: " + message);
    return reader;
}

int HistoryFromCentral(const std::string& sensor, CommandIo io) {
    const auto reader = OpenCentralOrSay(io);
    if (!reader) return 1;
    // The cylinders are each workstation's own: the server knows them by number.
    return PrintHistory(sensor, reader->SensorRuns(sensor), {}, HistoryShape{"the central database", true},
                        io);
}

int DueFromCentral(const CivilDate& today, std::int64_t within, bool tsv, CommandIo io) {
    const auto reader = OpenCentralOrSay(io);
    if (!reader) return 1;
    return PrintDue(reader->DueList(today, within), tsv, io);
}

int CsvFromCentral(bool excel, CommandIo io) {
    const auto reader = OpenCentralOrSay(io);
    if (!reader) return 1;
    return PrintCsv(reader->LoggedRuns(), {}, excel, io);
}

}  // namespace gvc::cli
