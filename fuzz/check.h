#pragma once
// Invariant checks for the fuzz targets: a broken invariant aborts, which
// libFuzzer reports as a finding with the input that caused it.
#include <cstdio>
#include <cstdlib>

namespace tavfuzz {

[[noreturn]] inline void fail(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
    std::abort();
}

} // namespace tavfuzz

#define TAV_CHECK(cond)                                                                                                \
    do {                                                                                                               \
        if (!(cond))                                                                                                   \
            ::tavfuzz::fail(#cond, __FILE__, __LINE__);                                                                \
    } while (0)
