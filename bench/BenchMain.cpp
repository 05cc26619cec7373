#include "RatioReporter.h"

RATIO_BENCHMARK_MAIN()
