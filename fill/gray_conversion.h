// The gray a grayscale document receives for RGB texture rows.
#pragma once

#include <cstdint>

namespace fill {

// Turns `count` RGB texels into as many gray bytes; may work in place.
void grayFromRgb(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count);

}  // namespace fill
