// libFuzzer target: the edit-field conversions and FormatGeneral.
#include "FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Require(fuzz::Fields(data, size));
    return 0;
}
