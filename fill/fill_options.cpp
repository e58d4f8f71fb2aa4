#include "fill/fill_options.h"

namespace fill {

const char* const kSizeChoiceNames[kSizeChoiceCount] = {"Actual", "512X512", "256X256", "128X128", "64X64"};

std::int32_t chosenSide(std::int32_t sizeChoice) {
  switch (sizeChoice) {
    case size512: return 512;
    case size256: return 256;
    case size128: return 128;
    case size64: return 64;
    default: return 0;
  }
}

}  // namespace fill
