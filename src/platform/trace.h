// trace.h - where a program's start-up time goes, for the start-up benchmark.
//
// traceStep(name): when the environment variable KT_TRACE is set (to anything), writes the
//   line "trace NAME MS" to stderr, MS the wall-clock time in milliseconds since the epoch
//   (with three decimals), so a script can set each step against the moment it started the
//   program. Without KT_TRACE it does nothing and costs one test of a flag.
#pragma once

void traceStep(const char* name);
