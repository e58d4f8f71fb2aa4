#include "chooser/whole_number.h"

namespace chooser {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool parseWholeNumber(const char* text, std::int32_t minimum, std::int32_t maximum,
                      std::int32_t* value) {
  if (text == nullptr) return false;
  const char* at = text;
  while (isBlank(*at)) ++at;
  const bool negative = *at == '-';
  if (*at == '-' || *at == '+') ++at;
  // A magnitude past ten digits is out of every 32-bit range; it stops
  // growing there, so the sum never overflows.
  constexpr std::int64_t kBeyondRange = 10000000000;
  std::int64_t magnitude = 0;
  int digits = 0;
  for (; *at >= '0' && *at <= '9'; ++at, ++digits) {
    if (magnitude < kBeyondRange) magnitude = magnitude * 10 + (*at - '0');
  }
  while (isBlank(*at)) ++at;
  if (digits == 0 || *at != '\0') return false;
  const std::int64_t number = negative ? -magnitude : magnitude;
  if (number < minimum || number > maximum) return false;
  *value = static_cast<std::int32_t>(number);
  return true;
}

}  // namespace chooser
