// A failed property ends the run with a message; libFuzzer then saves the input that did it.
#pragma once

#include <cstdio>
#include <cstdlib>

#define QB_FUZZ_CHECK(condition)                                                                  \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (false)
