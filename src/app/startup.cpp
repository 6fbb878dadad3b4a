#include "app/startup.h"

#include <filesystem>

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

    if (ok && !c_.fs.IsDirectory(locations::DataDir)) {
        c_.error.Set(std::string("Отсутствует директория Данных и файл Отчета"_cp) + "\r\n");
        if (c_.op.Ask(MessageKind::kWarning, c_.error.Text() + std::string("Создать?"_cp))) {
            flags_ |= kCreateDataDir;
        } else {
            ok = false;
        }
    }
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

bool Startup::Fail() {
    c_.error.Append(kNoFurtherWork);
    c_.op.Show(MessageKind::kError, c_.error.Text());
    return false;
}

}  // namespace gvc
