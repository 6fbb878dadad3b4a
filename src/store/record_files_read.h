// The files of record read for the database: the report log's record lines and
// every certificate file (current and archived) with its SHA-256.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "history/certificate_reader.h"
#include "store/store_import.h"

namespace gvc {

struct LogLines {
    bool present = false;  // false when there is no log file
    bool ok = false;
    std::string message;  // Windows-1251: why the log cannot be used
    std::vector<std::string> lines;
};
LogLines ReadLogLines(const std::filesystem::path& log);

struct CertificateFile {
    std::filesystem::path file;
    std::string pathText;  // Windows-1251 path, spelled the Windows way when below the data folder
    std::string sha256;
    std::optional<CertificateSummary> summary;  // none when the file does not verify
    std::string problem;                        // why not
};
// Every ".dat" file below the directories (missing directories give nothing).
std::vector<CertificateFile> ReadCertificateFiles(const std::vector<std::filesystem::path>& roots,
                                                  std::vector<std::string>& problems);

}  // namespace gvc
