// Starts gvc-devsim as a child process and talks to it through its standard
// input and output; for the integration tests and the benchmark. The Windows
// build of the tests runs under Wine and starts the Linux simulator.
#pragma once

#ifdef _WIN32
#include "devsim_process_wine.h"
#else
#include "devsim_process_posix.h"
#endif
