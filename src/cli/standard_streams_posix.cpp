// POSIX: the standard streams carry UTF-8 as they are.
#include "cli/cli_command.h"

namespace gvc::cli {

void PrepareStandardStreams() {}

}  // namespace gvc::cli
