#include <string>

#include "util/cp1251.h"
#include "util/native_path.h"
#include "util/system_error.h"

namespace gvc {

using namespace gvc::literals;

std::string NotRegularFileProblem(const std::filesystem::path& path) {
    return Cp1251PathText(path) + std::string(": не обычный файл (каталог, канал или устройство)"_cp);
}

std::string FileTooLargeProblem(const std::filesystem::path& path, std::size_t maxBytes) {
    return Cp1251PathText(path) + std::string(": файл больше "_cp) + std::to_string(maxBytes) +
           std::string(" байт"_cp);
}

std::string FileErrorProblem(const std::filesystem::path& path, int systemError) {
    return Cp1251PathText(path) + ": " + SystemErrorText(systemError);
}

}  // namespace gvc
