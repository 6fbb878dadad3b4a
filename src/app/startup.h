// The program's start-up work that needs no window: the checks of the table
// file, the data directory and the report log with the operator's answers
// (StartupChecks), and the creation of what the operator agreed to create
// (FinishStartup). Messages name the data folder where it really is (another
// drive when the PC's settings say so; on Linux the directory D: is mapped to). Failures end in one error box
// whose text ends with " - дальнейшая работа НЕВОЗМОЖНА !".
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "records/gas_catalogue.h"
#include "table/sensor_type_table.h"
#include "util/error_text.h"
#include "util/file_system.h"
#include "util/operator.h"

namespace gvc {

// Asks the operator for a folder to hold the data folder, `proposal` first
// (Windows-1251); nothing when the operator cancels.
using FolderChooser = std::function<std::optional<std::string>(const std::string& proposal)>;

struct StartupContext {
    Operator& op;
    ErrorText& error;
    FileSystem& fs;
    SensorTypeTable& table;
    GasCatalogue& catalogue;
};

// Before the window is built (its parts take the data folder's paths): when
// the data folder is missing and its drive cannot hold it, asks whether to
// choose another folder, lets the operator choose one (the data folder is
// made inside it) and keeps it in the PC's settings. False when the operator
// declines or cancels; the start-up then says what is wrong and how to set a
// folder. True when there is nothing to choose.
bool ChooseDataFolderWhereDriveIsMissing(Operator& op, FileSystem& fs, const FolderChooser& choose);

class Startup {
public:
    static constexpr unsigned kCreateDataDir = 1u << 0;
    static constexpr unsigned kCreateReportLog = 1u << 3;

    explicit Startup(StartupContext context) : c_(context) {}

    // `programDir` is the working directory (Windows-1251); it anchors the
    // table file and the help file.
    bool StartupChecks(const std::string& programDir);
    bool FinishStartup();

    const std::string& ProgramDir() const { return programDir_; }
    unsigned Flags() const { return flags_; }

private:
    bool Fail();
    // The data folder is missing: asks to create it, or, when its drive
    // cannot hold it, says so and how to set another.
    bool AskForDataFolder();

    StartupContext c_;
    std::string programDir_;
    unsigned flags_ = 0;
};

}  // namespace gvc
