// Whole numbers as the user types them and as the settings file stores
// them: an optional sign and decimal digits, blanks around them allowed,
// nothing else. The settings file's integer read would take "12abc" as 12
// and cannot give a negative number back, so the chooser reads its signed
// keys as text and checks them here.
#pragma once

#include <cstdint>

namespace chooser {

// True, with the number in `value`, when `text` is one whole number from
// `minimum` to `maximum`; `value` is left alone otherwise.
bool parseWholeNumber(const char* text, std::int32_t minimum, std::int32_t maximum,
                      std::int32_t* value);

}  // namespace chooser
