// libFuzzer target: the vector reader.
#include "FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Require(fuzz::Vectors(data, size));
    return 0;
}
