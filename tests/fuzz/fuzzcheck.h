#pragma once

#include <cstdio>
#include <cstdlib>

// An invariant of the code under test: when it breaks, say which and abort, so that
// libFuzzer keeps the input as a crash.
#define FUZZ_CHECK(cond)                                                                      \
    do {                                                                                      \
        if (!(cond)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                     \
        }                                                                                     \
    } while (0)
