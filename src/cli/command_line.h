// The command line and the standard streams of gvc-cli, as each system gives
// them. Arguments reach the commands as UTF-8; results and messages leave as
// UTF-8, or in the console's own wide form when the stream is a Windows console.
#pragma once

#include <string>
#include <vector>

namespace gvc::cli {

// The program's arguments without its own name, as UTF-8. On Windows they are
// read from the wide command line (GetCommandLineW), never from the ANSI
// `argv`, which loses every character outside the system's code page.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

}  // namespace gvc::cli
