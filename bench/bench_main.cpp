// vantrel-bench: translation speed of the entry points. Each family adds its
// APDUs in a bench_*.cpp of its own.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
