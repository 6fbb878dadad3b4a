// What the fuzz targets share: a check that stops the run loudly when an
// invariant of the code under test breaks (libFuzzer keeps the input).
#pragma once

#include <cstdio>
#include <cstdlib>

#define GVC_FUZZ_CHECK(condition)                                                              \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)
