#include "platform/trace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

void traceStep(const char* name) {
    static const bool tracing = std::getenv("KT_TRACE") != nullptr;  // read once per run
    if (!tracing) return;
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const long long us = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
    std::fprintf(stderr, "trace %s %lld.%03lld\n", name, us / 1000, us % 1000);
    std::fflush(stderr);
}
