#include "tools/texfill/cli.h"
#include "fill/fill_options.h"
#include "platform/ascii.h"

#include <cstdio>
#include <cstdlib>

namespace texfill {
namespace {

const OptionSpec* findSpec(const std::vector<OptionSpec>& specs, const std::string& name) {
  for (const OptionSpec& option : specs) {
    if (name == option.name) return &option;
  }
  return nullptr;
}

}  // namespace

bool parseArgs(const std::vector<std::string>& args, const std::vector<OptionSpec>& specs,
               ParsedArgs& parsed, std::string& error) {
  bool onlyPositional = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (onlyPositional || word.size() < 2 || word[0] != '-') {
      parsed.positional.push_back(word);
      continue;
    }
    if (word == "--") {
      onlyPositional = true;
      continue;
    }
    if (word == "-h" || word == "--help") {
      parsed.help = true;
      continue;
    }
    const std::size_t equals = word.find('=');
    const std::string name = word.substr(0, equals);
    const OptionSpec* option = findSpec(specs, name);
    if (option == nullptr) {
      error = "unknown option " + name;
      return false;
    }
    if (!option->takesValue) {
      if (equals != std::string::npos) {
        error = name + " takes no value";
        return false;
      }
      parsed.options[name] = "";
      continue;
    }
    if (equals != std::string::npos) {
      parsed.options[name] = word.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      parsed.options[name] = args[++i];
    } else {
      error = name + " needs a value";
      return false;
    }
  }
  return true;
}

bool parseInt(const std::string& text, long minimum, long maximum, long& value) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  value = std::strtol(text.c_str(), nullptr, 10);
  return value >= minimum && value <= maximum;
}

bool parseSize(const std::string& text, SizeRequest& size, std::string& error) {
  const std::string key = platform::upperAscii(text);
  for (int i = 0; i < fill::kSizeChoiceCount; ++i) {
    if (key == platform::upperAscii(fill::kSizeChoiceNames[i])) {
      size = SizeRequest{i, 0};
      return true;
    }
  }
  std::string number = key;
  if (const std::size_t x = key.find('X'); x != std::string::npos) {
    number = key.substr(0, x);
    if (key.substr(x + 1) != number) {
      error = "--size " + text + ": library textures are square; give one number";
      return false;
    }
  }
  long pixels = 0;
  if (!parseInt(number, 2, 512, pixels)) {
    error = "--size " + text +
            ": expected Actual, 512X512, 256X256, 128X128, 64X64 or a pixel size from 2 to 512";
    return false;
  }
  size = SizeRequest{0, static_cast<int>(pixels)};
  return true;
}

bool parseOrigin(const std::string& text, int& tileOrigin, std::string& error) {
  if (text == "document") {
    tileOrigin = 1;
  } else if (text == "selection") {
    tileOrigin = 0;
  } else {
    error = "--origin " + text + ": expected document or selection";
    return false;
  }
  return true;
}

bool parseRect(const std::string& text, fill::Rect16& rect, std::string& error) {
  long values[4] = {};
  std::size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    const std::size_t comma = text.find(',', start);
    const bool last = i == 3;
    if ((comma == std::string::npos) != last) {
      error = "--rect " + text + ": expected TOP,LEFT,BOTTOM,RIGHT";
      return false;
    }
    const std::string part = text.substr(start, last ? std::string::npos : comma - start);
    if (!parseInt(part, 0, 32767, values[i])) {
      error = "--rect " + text + ": coordinates are whole numbers from 0 to 32767";
      return false;
    }
    start = comma + 1;
  }
  if (values[0] >= values[2] || values[1] >= values[3]) {
    error = "--rect " + text + ": the rectangle is empty (TOP,LEFT,BOTTOM,RIGHT, bottom and right exclusive)";
    return false;
  }
  rect = {static_cast<std::int16_t>(values[0]), static_cast<std::int16_t>(values[1]),
          static_cast<std::int16_t>(values[2]), static_cast<std::int16_t>(values[3])};
  return true;
}

void complain(const char* subcommand, const std::string& message) {
  std::fprintf(stderr, "texfill %s: %s\n", subcommand, message.c_str());
}

int usageError(const char* subcommand, const std::string& message) {
  complain(subcommand, message);
  std::fprintf(stderr, "Try 'texfill %s --help'.\n", subcommand);
  return exitUsage;
}

}  // namespace texfill
