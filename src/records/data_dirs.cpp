#include "records/data_dirs.h"

#include <array>
#include <filesystem>

#include "records/locations.h"
#include "records/report_log.h"
#include "util/cp1251.h"
#include "util/native_path.h"
#include "util/text_format.h"

namespace gvc {

using namespace gvc::literals;

namespace {

bool MakeOrFind(FileSystem& fs, Operator& op, std::string_view path) {
    if (fs.IsDirectory(path) || fs.MakeDirectory(path)) return true;
    op.Show(MessageKind::kError, std::string("Не могу создать директорию "_cp) + ShownPath(path));
    return false;
}

}  // namespace

bool IsSafeGasDirectoryName(std::string_view name) {
    if (name.find("..") != std::string_view::npos) return false;
    for (char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) return false;
    }
    // Windows drops a trailing dot or blank from a directory name.
    if (!name.empty() && (name.back() == '.' || name.back() == ' ')) return false;
    return true;
}

std::string GasDirectoryPath(unsigned gasCode, const SensorTypeTable& table) {
    return std::string(locations::SensorsDir) + "\\" + FormatIntZero(static_cast<std::int32_t>(gasCode), 2) +
           "-" + table.GasName(gasCode);
}

std::string TypeDirectoryPath(unsigned gasCode, unsigned typeNumber, const SensorTypeTable& table) {
    const std::string code = FormatIntZero(static_cast<std::int32_t>(gasCode), 2);
    return GasDirectoryPath(gasCode, table) + std::string("\\Тип_"_cp) + code + "-" +
           FormatIntZero(static_cast<std::int32_t>(typeNumber), 2);
}

bool CreateSensorDirs(const SensorTypeTable& table, FileSystem& fs, Operator& op) {
    if (!MakeOrFind(fs, op, locations::SensorsDir)) return false;
    for (unsigned gas = 1; gas < table.gasCount && gas < kMaxGases; ++gas) {
        if (!IsSafeGasDirectoryName(table.GasName(gas))) {
            op.Show(MessageKind::kError, std::string("Недопустимое имя газа для директории: "_cp) + "\"" +
                                             table.GasName(gas) + "\"");
            return false;
        }
        if (!MakeOrFind(fs, op, GasDirectoryPath(gas, table))) return false;
        for (unsigned type = 0; type < table.typeCount[gas] && type < kMaxTypesPerGas; ++type) {
            if (!MakeOrFind(fs, op, TypeDirectoryPath(gas, type, table))) return false;
        }
    }
    return true;
}

bool CreateDataDirs(const SensorTypeTable& table, FileSystem& fs, Operator& op, ErrorText& error) {
    // The folders above it as well: a data folder below a folder not yet made,
    // or (on Linux) the directory drive D: is mapped to on a clean machine.
    std::error_code ignored;
    std::filesystem::create_directories(NativePath(locations::DataDir).parent_path(), ignored);
    if (!fs.IsDirectory(locations::DataDir) && !fs.MakeDirectory(locations::DataDir)) {
        op.Show(MessageKind::kError,
                std::string("Не могу создать директорию "_cp) + ShownPath(locations::DataDir));
        return false;
    }
    CreateSensorDirs(table, fs, op);
    return CreateReportLog(fs, op, error);
}

}  // namespace gvc
