// The program's start-up work that needs no window: the checks of the table
// file, the data directory and the report log with the operator's answers
// (StartupChecks), and the creation of what the operator agreed to create
// (FinishStartup). Failures end in one error box whose text ends with
// " - дальнейшая работа НЕВОЗМОЖНА !".
#pragma once

#include <string>

#include "records/gas_catalogue.h"
#include "table/sensor_type_table.h"
#include "util/error_text.h"
#include "util/file_system.h"
#include "util/operator.h"

namespace gvc {

struct StartupContext {
    Operator& op;
    ErrorText& error;
    FileSystem& fs;
    SensorTypeTable& table;
    GasCatalogue& catalogue;
};

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

    StartupContext c_;
    std::string programDir_;
    unsigned flags_ = 0;
};

}  // namespace gvc
