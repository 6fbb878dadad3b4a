// The standard streams of gvc-cli carry UTF-8 on every platform.
#include "cli/cli_command.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#endif

namespace gvc::cli {

void PrepareStandardStreams() {
#ifdef _WIN32
    // A console shows (and takes) the UTF-8 text as such. Output is written in
    // binary mode: the lines end as the program ends them, and the message
    // texts' own CR LF is not turned into CR CR LF, so the bytes are those of
    // the other platforms. Input stays in text mode, where CR LF reads as a
    // plain line end.
    ::SetConsoleOutputCP(CP_UTF8);
    ::SetConsoleCP(CP_UTF8);
    (void)::_setmode(::_fileno(stdout), _O_BINARY);
    (void)::_setmode(::_fileno(stderr), _O_BINARY);
#endif
}

}  // namespace gvc::cli
