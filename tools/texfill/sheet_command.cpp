// texfill sheet: a contact sheet of pictures with captions, for the demo.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/texfill/cli.h"
#include "tools/texfill/commands.h"
#include "tools/texfill/document_io.h"
#include "tools/texfill/font.h"

namespace texfill {
namespace {

constexpr const char* kName = "sheet";
constexpr int kGap = 16;
constexpr int kFontScale = 2;
constexpr int kLineHeight = (kGlyphHeight + 3) * kFontScale;
constexpr int kCaptionLines = 3;
constexpr std::uint8_t kInk[3] = {20, 20, 20};
constexpr std::uint8_t kPaper = 236;

// Area-averaged reduction so that fine textures do not alias on the sheet;
// pictures that fit are kept pixel for pixel.
Image fitInto(const Image& picture, int box) {
  const Image rgb = toRgb(picture);
  const int longest = std::max(rgb.width, rgb.height);
  if (longest <= box) return rgb;
  const int width = std::max(1, static_cast<int>(static_cast<long long>(rgb.width) * box / longest));
  const int height = std::max(1, static_cast<int>(static_cast<long long>(rgb.height) * box / longest));
  Image small = makeImage(width, height, 3);
  for (int y = 0; y < height; ++y) {
    const int y0 = static_cast<int>(static_cast<long long>(y) * rgb.height / height);
    const int y1 = std::max(y0 + 1, static_cast<int>(static_cast<long long>(y + 1) * rgb.height / height));
    for (int x = 0; x < width; ++x) {
      const int x0 = static_cast<int>(static_cast<long long>(x) * rgb.width / width);
      const int x1 = std::max(x0 + 1, static_cast<int>(static_cast<long long>(x + 1) * rgb.width / width));
      long sum[3] = {0, 0, 0};
      for (int sy = y0; sy < y1; ++sy) {
        const std::uint8_t* row = rowOf(rgb, sy);
        for (int sx = x0; sx < x1; ++sx) {
          for (int c = 0; c < 3; ++c) sum[c] += row[3 * sx + c];
        }
      }
      const long count = static_cast<long>(y1 - y0) * (x1 - x0);
      for (int c = 0; c < 3; ++c) {
        rowOf(small, y)[3 * x + c] = static_cast<std::uint8_t>((sum[c] + count / 2) / count);
      }
    }
  }
  return small;
}

// Word-wrapped into lines of at most `columns` characters.
std::vector<std::string> wrapCaption(const std::string& text, std::size_t columns) {
  std::vector<std::string> lines;
  std::string line;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    std::string word = text.substr(start, end - start);
    while (word.size() > columns) {
      if (!line.empty()) lines.push_back(line), line.clear();
      lines.push_back(word.substr(0, columns));
      word = word.substr(columns);
    }
    if (!line.empty() && line.size() + 1 + word.size() > columns) {
      lines.push_back(line);
      line.clear();
    }
    if (!word.empty()) line += (line.empty() ? "" : " ") + word;
    start = end + 1;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

}  // namespace

int sheetCommand(const Args& args) {
  static const std::vector<OptionSpec> specs = {{"--columns", true}, {"--cell", true},
                                                {"--title", true}};
  ParsedArgs parsed;
  std::string error;
  if (!parseArgs(args, specs, parsed, error)) return usageError(kName, error);
  if (parsed.help) return printHelp(kName) ? exitOk : exitFailure;
  if (parsed.positional.size() < 2) return usageError(kName, "expected OUT.png and pictures");
  long columns = 4, cell = 256;
  if (const auto it = parsed.options.find("--columns"); it != parsed.options.end()) {
    if (!parseInt(it->second, 1, 64, columns)) return usageError(kName, "--columns takes 1 to 64");
  }
  if (const auto it = parsed.options.find("--cell"); it != parsed.options.end()) {
    if (!parseInt(it->second, 64, 2048, cell)) return usageError(kName, "--cell takes 64 to 2048");
  }
  const std::string title = parsed.options.count("--title") ? parsed.options["--title"] : "";
  const std::string& output = parsed.positional[0];
  const std::size_t count = parsed.positional.size() - 1;
  const int box = static_cast<int>(cell);
  const std::size_t captionColumns = static_cast<std::size_t>(box / (kGlyphAdvance * kFontScale));

  struct Item {
    Image shown;
    std::vector<std::string> caption;
  };
  std::vector<Item> items;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string& word = parsed.positional[i + 1];
    const std::size_t equals = word.find('=');
    const std::string path = word.substr(0, equals);
    Image picture;
    if (!readImageFile(path, picture, error)) {
      complain(kName, error);
      return exitFailure;
    }
    std::vector<std::string> caption =
        wrapCaption(equals == std::string::npos ? path : word.substr(equals + 1), captionColumns);
    if (caption.size() > kCaptionLines) caption.resize(kCaptionLines);
    items.push_back({fitInto(picture, box), caption});
  }

  // Each row is as tall as its tallest picture and caption.
  const std::size_t perRow = static_cast<std::size_t>(columns);
  std::vector<int> rowHeights;
  for (std::size_t first = 0; first < items.size(); first += perRow) {
    int tallest = 0;
    for (std::size_t i = first; i < std::min(items.size(), first + perRow); ++i) {
      tallest = std::max(tallest, items[i].shown.height + 4 +
                                      static_cast<int>(items[i].caption.size()) * kLineHeight);
    }
    rowHeights.push_back(tallest);
  }
  const int titleHeight = title.empty() ? 0 : kLineHeight * 2;
  const int width = kGap + static_cast<int>(std::min<std::size_t>(perRow, items.size())) * (box + kGap);
  int height = kGap + titleHeight;
  for (int h : rowHeights) height += h + kGap;
  if (!checkImageSize(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height), error)) {
    complain(kName, error);
    return exitFailure;
  }
  Image sheet = makeImage(width, height, 3, kPaper);
  if (!title.empty()) drawText(sheet, kGap, kGap, title, kFontScale + 1, kInk);
  int top = kGap + titleHeight;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::size_t row = i / perRow;
    if (i > 0 && i % perRow == 0) top += rowHeights[row - 1] + kGap;
    const int left = kGap + static_cast<int>(i % perRow) * (box + kGap);
    const Item& item = items[i];
    paste(item.shown, sheet, left + (box - item.shown.width) / 2, top);
    for (std::size_t line = 0; line < item.caption.size(); ++line) {
      drawText(sheet, left, top + item.shown.height + 4 + static_cast<int>(line) * kLineHeight,
               item.caption[line], kFontScale, kInk);
    }
  }
  if (!writeImageFile(output, sheet, error)) {
    complain(kName, error);
    return exitFailure;
  }
  return exitOk;
}

}  // namespace texfill
