#include "app/startup.h"

#include <filesystem>

#include "app/machine_settings.h"
#include "records/data_dirs.h"
#include "records/locations.h"
#include "records/report_log.h"
#include "table/table_loader.h"
#include "util/cp1251.h"
#include "util/native_path.h"

namespace gvc {

using namespace gvc::literals;

namespace {
constexpr std::string_view kNoFurtherWork = " - дальнейшая работа НЕВОЗМОЖНА !"_cp;
constexpr std::string_view kDataFolderName = "ВЕЛМОР_Датчики"_cp;
}  // namespace

bool Startup::StartupChecks(const std::string& programDir) {
    programDir_ = programDir;
    flags_ = 0;
    bool ok = true;
    const std::string tableFile = programDir_ + std::string(kTableFileRelativePath);
    std::error_code fsError;
    if (!std::filesystem::is_regular_file(NativePath(tableFile), fsError)) {
        c_.error.Set(std::string("Отсутствует файл "_cp) + std::string("таблицы Типов Датчиков"_cp));
        ok = false;
    }
    if (ok) ok = LoadSensorTypeTable(NativePath(tableFile), c_.table, c_.error);
    // Built even from a failed load, as start-up always does; the program ends
    // before anything reads it then.
    c_.catalogue = BuildGasCatalogue(c_.table);

    if (ok && !c_.fs.IsDirectory(locations::DataDir)) ok = AskForDataFolder();
    if (ok && flags_ == 0) ok = CreateSensorDirs(c_.table, c_.fs, c_.op);
    if (ok && (flags_ & kCreateDataDir) == 0 && !c_.fs.Exists(locations::ReportLogPath)) {
        c_.error.Set("Отсутствует файл Отчета"_cp);
        if (c_.op.Ask(MessageKind::kWarning, c_.error.Text() + "\r\n" + std::string("Создать?"_cp))) {
            flags_ |= kCreateReportLog;
        } else {
            ok = false;
        }
    }
    if (!ok) return Fail();
    return true;
}

bool Startup::FinishStartup() {
    bool ok = true;
    if ((flags_ & kCreateDataDir) != 0) ok = CreateDataDirs(c_.table, c_.fs, c_.op, c_.error);
    if ((flags_ & kCreateReportLog) != 0 && (flags_ & kCreateDataDir) == 0 && ok)
        ok = CreateReportLog(c_.fs, c_.op, c_.error);
    flags_ = 0;
    if (ok) ok = CreateSensorDirs(c_.table, c_.fs, c_.op);
    if (!ok) return Fail();
    return true;
}

namespace {

// "Директорию Данных D:\ВЕЛМОР_Датчики создать нельзя: нет диска D:" with its line end.
std::string NoDriveText() {
    const std::string folder = ShownPath(locations::DataDir);
    const std::string where = folder.size() >= 2 && folder[1] == ':' ? folder.substr(0, 2) : folder;
    return std::string("Директорию Данных "_cp) + folder + std::string(" создать нельзя: нет диска "_cp) +
           where + "\r\n";
}

// The data folder inside the folder chosen (itself when it has the name).
std::string DataFolderIn(std::string parent) {
    while (parent.size() > 3 && parent.back() == '\\')
        parent.pop_back();
    if (parent.ends_with(kDataFolderName)) return parent;
    return parent + (parent.ends_with("\\") ? "" : "\\") + std::string(kDataFolderName);
}

}  // namespace

bool ChooseDataFolderWhereDriveIsMissing(Operator& op, FileSystem& fs, const FolderChooser& choose) {
    while (!fs.IsDirectory(locations::DataDir) && !DriveCanHoldFolder(locations::DataDir)) {
        if (!op.Ask(MessageKind::kWarning,
                    NoDriveText() + std::string("Выбрать другую папку для данных?"_cp)))
            return false;
        const std::optional<std::string> parent = choose("C:\\");
        if (!parent) return false;
        const std::string chosen = DataFolderIn(*parent);
        std::string problem;
        if (!IsDataFolderText(chosen, problem)) {
            op.Show(MessageKind::kError, problem);
            continue;
        }
        SetDataFolder(chosen);
        // Kept for every later start on this PC; when the file cannot be
        // written the folder serves this session, and the operator is told.
        MachineSettings machine = LoadMachineSettings(fs);
        machine.dataFolder = chosen;
        std::string cause;
        if (!SaveMachineSettings(fs, machine, cause))
            op.Show(MessageKind::kWarning, std::string("Папка данных не запомнена: "_cp) +
                                               MachineSettingsFile() + ": " + cause + "\r\n" +
                                               std::string("при следующем запуске вопрос повторится"_cp));
    }
    return true;
}

bool Startup::AskForDataFolder() {
    if (!DriveCanHoldFolder(locations::DataDir)) {
        c_.error.Set(NoDriveText() + std::string("Папку данных этого компьютера задаёт "_cp) +
                     "gvc-cli data-folder set E:\\" + std::string(kDataFolderName) + "\r\n");
        return false;
    }
    c_.error.Set(std::string("Отсутствует директория Данных и файл Отчета"_cp) + "\r\n" +
                 ShownPath(locations::DataDir) + "\r\n");
    if (!c_.op.Ask(MessageKind::kWarning, c_.error.Text() + std::string("Создать?"_cp))) return false;
    flags_ |= kCreateDataDir;
    return true;
}

bool Startup::Fail() {
    c_.error.Append(kNoFurtherWork);
    c_.op.Show(MessageKind::kError, c_.error.Text());
    return false;
}

}  // namespace gvc
