// libFuzzer target: the result-file reader.
#include "FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Require(fuzz::Results(data, size));
    return 0;
}
