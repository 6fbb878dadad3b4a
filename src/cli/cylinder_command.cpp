#include <charconv>
#include <cmath>
#include <filesystem>
#include <ostream>

#include "cli/cli_command.h"
#include "cli/store_access.h"
#include "records/report_timestamp.h"
#include "store/run_texts.h"
#include "table/table_loader.h"
#include "util/cp1251.h"

namespace gvc::cli {

namespace {

int Usage(CommandIo io) {
    io.err << "usage: gvc-cli cylinder add GAS CONCENTRATION UNIT LOT EXPIRY(YYYY-MM-DD)\n"
              "       gvc-cli cylinder list [--all] [--today YYYY-MM-DD]\n"
              "       gvc-cli cylinder retire ID\n";
    return 2;
}

template <class T>
bool Whole(const std::string& text, T& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// The gas's name from the table under the current directory, as the program reads it.
std::string GasText(int code) {
    SensorTypeTable table;
    ErrorText error;
    const std::filesystem::path file = std::filesystem::current_path() / "DAT" / "TABL_GAZ_SENSOR_PARAM.dat";
    if (LoadSensorTypeTable(file, table, error)) {
        const std::string& name = table.GasName(static_cast<unsigned>(code));
        if (!name.empty()) return name;
    }
    return std::to_string(code);
}

int Add(std::span<const std::string> a, CommandIo io) {
    Cylinder c;
    const auto expiry = a.size() == 5 ? ParseIsoDate(a[4]) : std::nullopt;
    if (a.size() != 5 || !Whole(a[0], c.gasCode) || c.gasCode < 0 || c.gasCode > 99 ||
        !Whole(a[1], c.concentration) || !std::isfinite(c.concentration) || !(c.concentration > 0) || !expiry)
        return Usage(io);
    c.unitText = Cp1251FromUtf8(a[2]);
    c.lot = Cp1251FromUtf8(a[3]);
    c.expiry = *expiry;
    c.gasText = GasText(c.gasCode);
    const auto store = OpenStoreOrSay(io, true);
    if (!store) return 1;
    std::string message;
    const std::int64_t id = store->AddCylinder(c, message);
    if (id == 0) {
        PrintLine(io.err, message);
        return 1;
    }
    io.out << "cylinder " << id << " added\n";
    return 0;
}

int List(std::span<const std::string> a, CommandIo io) {
    bool all = false;
    CivilDate today = LocalDateToday();
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == "--all") {
            all = true;
        } else if (a[i] == "--today" && i + 1 < a.size() && ParseIsoDate(a[i + 1])) {
            today = *ParseIsoDate(a[++i]);
        } else {
            return Usage(io);
        }
    }
    const auto store = OpenStoreOrSay(io, true);
    if (!store) return 1;
    const auto read = store->Cylinders(all);
    if (!read.ok) {
        PrintLine(io.err, read.message);
        return 1;
    }
    io.out << "id\tgas\tconcentration\tunit\tlot\texpiry\tstate\n";
    for (const Cylinder& c : read.value) {
        std::string state = c.retired ? "retired" : IsExpired(c, today) ? "EXPIRED" : "in use";
        char concentration[48];
        std::snprintf(concentration, sizeof concentration, "%g", c.concentration);
        io.out << c.id << "\t" << Utf8FromCp1251(c.gasText) << "\t" << concentration << "\t"
               << Utf8FromCp1251(c.unitText) << "\t" << Utf8FromCp1251(c.lot) << "\t" << IsoDateText(c.expiry)
               << "\t" << state << "\n";
    }
    return 0;
}

int Retire(std::span<const std::string> a, CommandIo io) {
    std::int64_t id = 0;
    if (a.size() != 1 || !Whole(a[0], id) || id <= 0) return Usage(io);
    const auto store = OpenStoreOrSay(io, true);
    if (!store) return 1;
    std::string message;
    if (!store->RetireCylinder(id, message)) {
        PrintLine(io.err, message);
        return 1;
    }
    io.out << "cylinder " << id << " retired\n";
    return 0;
}

}  // namespace

// The reference gas cylinders kept in the database.
int RunCylinder(std::span<const std::string> args, CommandIo io) {
    if (args.empty()) return Usage(io);
    const std::span<const std::string> rest = args.subspan(1);
    if (args[0] == "add") return Add(rest, io);
    if (args[0] == "list") return List(rest, io);
    if (args[0] == "retire") return Retire(rest, io);
    return Usage(io);
}

}  // namespace gvc::cli
