// libFuzzer's entry point: it calls the fuzz target that the build names in FUZZ_TARGET.
#include <cstddef>
#include <cstdint>

namespace fuzz {
int FUZZ_TARGET(const uint8_t* data, std::size_t size);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    return fuzz::FUZZ_TARGET(data, size);
}
