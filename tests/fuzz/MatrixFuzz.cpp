// libFuzzer target: the distance matrix reader.
#include "FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Require(fuzz::Matrix(data, size));
    return 0;
}
