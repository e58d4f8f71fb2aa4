#include "tools/fillhost/case_list.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fillhost {
namespace {

bool parseInt(const std::string& text, int low, int high, int* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long parsed = std::strtol(text.c_str(), &end, 10);
  if (end == nullptr || *end != '\0' || parsed < low || parsed > high) return false;
  *value = static_cast<int>(parsed);
  return true;
}

bool parseMode(const std::string& text, FillRequest* request) {
  struct Mode {
    const char* name;
    int imageMode;
    int colourPlanes;
    int sampleBytes;
  };
  for (const Mode mode : {Mode{"rgb", 3, 3, 1}, Mode{"gray", 1, 1, 1}, Mode{"rgb16", 11, 3, 2},
                          Mode{"gray16", 10, 1, 2}}) {
    if (text == mode.name) {
      request->imageMode = mode.imageMode;
      request->colourPlanes = request->planes = mode.colourPlanes;
      request->sampleBytes = mode.sampleBytes;
      return true;
    }
  }
  request->planes = 3;
  return parseInt(text, 0, 32767, &request->imageMode);
}

// The layer options; a layer whose transparency is handed over in one band
// with the colour has one plane more.
bool parseLayerOption(const std::string& option, FillRequest* request) {
  if (option == "short") {
    request->shortRecord = true;
  } else if (option == "blank") {
    request->blankLayer = true;
  } else if (option.rfind("case=", 0) == 0 && parseInt(option.substr(5), 1, 7, &request->filterCase)) {
    if (request->filterCase == 4 || request->filterCase == 5) request->planes = request->colourPlanes + 1;
  } else if (!(option.rfind("planes=", 0) == 0 && parseInt(option.substr(7), 1, 8, &request->planes))) {
    return false;
  }
  return true;
}

// The fill options, in the ranges the Preferences dialog takes.
bool parseFillOption(const std::string& option, fill::FillOptions* options) {
  const std::size_t equals = option.find('=');
  const std::string name = option.substr(0, equals);
  const std::string value = equals == std::string::npos ? "" : option.substr(equals + 1);
  if (option == "seamless") {
    options->makeSeamless = true;
    return true;
  }
  if (name == "scale") return parseInt(value, fill::kScaleMinimum, fill::kScaleMaximum, &options->scalePercent);
  if (name == "seed") return parseInt(value, 0, fill::kSeedMaximum, &options->seed);
  if (name == "angle") {
    int degrees = 0;
    if (!parseInt(value, -360, 360, &degrees)) return false;
    options->angleDegrees = degrees;
    return true;
  }
  if (name == "offset") {
    const std::size_t comma = value.find(',');
    return comma != std::string::npos &&
           parseInt(value.substr(0, comma), -fill::kOffsetLimit, fill::kOffsetLimit, &options->offsetX) &&
           parseInt(value.substr(comma + 1), -fill::kOffsetLimit, fill::kOffsetLimit, &options->offsetY);
  }
  if (name == "repeat") {
    for (int mode = 0; mode < fill::kRepeatModeCount; ++mode) {
      if (value == fill::kRepeatWords[mode]) {
        options->repeat = mode;
        return true;
      }
    }
  }
  return false;
}

bool parseLine(const std::string& line, FillCase* fillCase, std::string* reason) {
  std::istringstream fields(line);
  std::string size, origin, mode, width, height, top, left, bottom, right;
  if (!(fields >> fillCase->name >> fillCase->texture >> size >> origin >> mode >> width >> height >>
        top >> left >> bottom >> right)) {
    *reason = "expected 11 fields";
    return false;
  }
  if (fillCase->texture == "cancel" || fillCase->texture == "fail") {
    fillCase->chooserStatus = fillCase->texture == "cancel" ? 2 : 0;
    fillCase->texture.clear();
  }
  fill::FillOptions& options = fillCase->options;
  if (!parseInt(size, -1000, 1000, &options.sizeChoice)) {
    *reason = "bad size choice '" + size + "'";
    return false;
  }
  if (origin == "doc" || origin == "sel") {
    options.tileOrigin = origin == "doc" ? 1 : 0;
  } else if (!parseInt(origin, -1000, 1000, &options.tileOrigin)) {
    *reason = "bad origin '" + origin + "'";
    return false;
  }
  FillRequest& request = fillCase->request;
  if (!parseMode(mode, &request)) {
    *reason = "bad mode '" + mode + "'";
    return false;
  }
  int values[6];
  const std::string* texts[6] = {&width, &height, &top, &left, &bottom, &right};
  for (int i = 0; i < 6; ++i) {
    if (!parseInt(*texts[i], 0, 30000, &values[i])) {
      *reason = "bad number '" + *texts[i] + "'";
      return false;
    }
  }
  request.width = values[0];
  request.height = values[1];
  request.top = static_cast<std::int16_t>(values[2]);
  request.left = static_cast<std::int16_t>(values[3]);
  request.bottom = static_cast<std::int16_t>(values[4]);
  request.right = static_cast<std::int16_t>(values[5]);
  if (request.width < 1 || request.height < 1 || request.bottom > request.height ||
      request.right > request.width || request.top > request.bottom || request.left > request.right) {
    *reason = "filter rectangle outside the document";
    return false;
  }
  std::string option;
  while (fields >> option) {
    if (option == "abort=start") {
      request.abortDuringStart = true;
      continue;
    }
    if (option.rfind("abort=", 0) == 0 && parseInt(option.substr(6), 1, 30000, &request.abortAtBand)) continue;
    if (option.rfind("expect=", 0) == 0 && parseInt(option.substr(7), -32768, 32767, &fillCase->expectedResult)) continue;
    if (option.rfind("boxes=", 0) == 0 && parseInt(option.substr(6), 0, 30000, &fillCase->expectedBoxes)) continue;
    if (parseLayerOption(option, &request) || parseFillOption(option, &options)) continue;
    *reason = "bad option '" + option + "'";
    return false;
  }
  return true;
}

}  // namespace

bool parseCaseList(const std::string& text, std::vector<FillCase>* cases, std::string* error) {
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    const std::size_t hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    FillCase fillCase;
    std::string reason;
    if (!parseLine(line, &fillCase, &reason)) {
      *error = "line " + std::to_string(number) + ": " + reason;
      return false;
    }
    cases->push_back(fillCase);
  }
  return true;
}

std::string readTextFile(const std::string& path, bool* ok) {
  std::ifstream file(path, std::ios::binary);
  *ok = static_cast<bool>(file);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace fillhost
