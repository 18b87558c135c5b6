#pragma once

#include <cstdio>
#include <cstdlib>

// A broken expectation is a finding: say which one and abort, so libFuzzer saves the input.
// Unlike assert() it stays on in optimised builds.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: expectation failed: %s\n", __FILE__, __LINE__,            \
                         #condition);                                                              \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
