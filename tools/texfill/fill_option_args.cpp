#include "tools/texfill/fill_option_args.h"

#include <cmath>
#include <cstdlib>

namespace texfill {
namespace {

// Beyond this an angle in degrees no longer has a fraction to speak of.
constexpr double kAngleLimit = 1e9;

bool parseSignedInt(const std::string& text, long minimum, long maximum, long& value) {
  if (!text.empty() && text[0] == '-') {
    long magnitude = 0;
    if (!parseInt(text.substr(1), 0, -minimum, magnitude)) return false;
    value = -magnitude;
    return true;
  }
  return parseInt(text[0] == '+' ? text.substr(1) : text, 0, maximum, value) && value >= minimum;
}

bool parseAngle(const std::string& text, double& degrees) {
  if (text.empty() || text.size() > 32) return false;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(value) || std::fabs(value) > kAngleLimit) return false;
  // strtod also reads hexadecimal and "infinity"; only plain decimals pass.
  for (char c : text) {
    if (!(c >= '0' && c <= '9') && c != '.' && c != '-' && c != '+') return false;
  }
  degrees = value;
  return true;
}

bool parseOffset(const std::string& text, fill::FillOptions& options) {
  const std::size_t comma = text.find(',');
  if (comma == std::string::npos) return false;
  long x = 0;
  long y = 0;
  if (!parseSignedInt(text.substr(0, comma), -fill::kOffsetLimit, fill::kOffsetLimit, x) ||
      !parseSignedInt(text.substr(comma + 1), -fill::kOffsetLimit, fill::kOffsetLimit, y)) {
    return false;
  }
  options.offsetX = static_cast<std::int32_t>(x);
  options.offsetY = static_cast<std::int32_t>(y);
  return true;
}

bool parseRepeat(const std::string& text, std::int32_t& repeat) {
  for (int i = 0; i < fill::kRepeatModeCount; ++i) {
    if (text == fill::kRepeatWords[i]) {
      repeat = i;
      return true;
    }
  }
  return false;
}

const std::string* given(const ParsedArgs& parsed, const char* name) {
  const auto it = parsed.options.find(name);
  return it == parsed.options.end() ? nullptr : &it->second;
}

}  // namespace

const std::vector<OptionSpec>& fillOptionSpecs() {
  static const std::vector<OptionSpec> specs = {{"--scale", true},  {"--angle", true}, {"--offset", true},
                                                {"--repeat", true}, {"--seed", true},  {"--cell", true},
                                                {"--make-seamless", false}};
  return specs;
}

bool readFillOptions(const ParsedArgs& parsed, fill::FillOptions& options, std::string& error) {
  long value = 0;
  if (const std::string* text = given(parsed, "--scale")) {
    if (!parseInt(*text, fill::kScaleMinimum, fill::kScaleMaximum, value)) {
      error = "--scale " + *text + ": expected a whole percentage from 1 to 1000";
      return false;
    }
    options.scalePercent = static_cast<std::int32_t>(value);
  }
  if (const std::string* text = given(parsed, "--angle")) {
    if (!parseAngle(*text, options.angleDegrees)) {
      error = "--angle " + *text + ": expected degrees, a decimal number such as 30 or -12.5";
      return false;
    }
  }
  if (const std::string* text = given(parsed, "--offset")) {
    if (!parseOffset(*text, options)) {
      error = "--offset " + *text + ": expected X,Y, whole pixels from -300000 to 300000";
      return false;
    }
  }
  if (const std::string* text = given(parsed, "--repeat")) {
    if (!parseRepeat(*text, options.repeat)) {
      error = "--repeat " + *text + ": expected tile, mirror or random";
      return false;
    }
  }
  if (const std::string* text = given(parsed, "--seed")) {
    if (!parseInt(*text, 0, fill::kSeedMaximum, value)) {
      error = "--seed " + *text + ": expected a variation number from 0 to 99999";
      return false;
    }
    options.seed = static_cast<std::int32_t>(value);
  }
  if (const std::string* text = given(parsed, "--cell")) {
    if (!parseInt(*text, 0, fill::kCellMaximum, value)) {
      error = "--cell " + *text + ": expected a percentage of the period from 1 to 100, or 0 to let the fill choose";
      return false;
    }
    options.cellPercent = static_cast<std::int32_t>(value);
  }
  options.makeSeamless = given(parsed, "--make-seamless") != nullptr;
  return true;
}

}  // namespace texfill
