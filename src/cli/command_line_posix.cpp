// POSIX: the arguments are the bytes the shell gave, UTF-8 on the systems the
// program runs on.
#include "cli/command_line.h"

namespace gvc::cli {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    if (argc < 1 || argv == nullptr) return {};
    return std::vector<std::string>(argv + 1, argv + argc);
}

}  // namespace gvc::cli
