#include "gegl/engine_bridge.h"

#include <cmath>
#include <cstring>
#include <new>

#include "fill/fill_options.h"
#include "fill/rectangle_fill.h"
#include "fill/result_codes.h"
#include "seamless/seamless.h"
#include "texture/texture_source.h"

struct ZovezaduFill {
  fill::RectangleFill fill;
};

namespace {

bool inRange(int value, int minimum, int maximum) { return value >= minimum && value <= maximum; }

bool validOptions(const ZovezaduFillOptions& options) {
  return inRange(options.size, 0, fill::kSizeChoiceCount - 1) &&
         inRange(options.scale_percent, fill::kScaleMinimum, fill::kScaleMaximum) &&
         std::isfinite(options.angle_degrees) && std::fabs(options.angle_degrees) <= 1e9 &&
         inRange(options.offset_x, -fill::kOffsetLimit, fill::kOffsetLimit) &&
         inRange(options.offset_y, -fill::kOffsetLimit, fill::kOffsetLimit) &&
         inRange(options.repeat, 0, fill::kRepeatModeCount - 1) && inRange(options.seed, 0, fill::kSeedMaximum);
}

}  // namespace

extern "C" {

int zovezadu_repeat_count(void) { return fill::kRepeatModeCount; }
const char* zovezadu_repeat_word(int repeat) {
  return inRange(repeat, 0, fill::kRepeatModeCount - 1) ? fill::kRepeatWords[repeat] : nullptr;
}
const char* zovezadu_repeat_text(int repeat) {
  return inRange(repeat, 0, fill::kRepeatModeCount - 1) ? fill::kRepeatModeTexts[repeat] : nullptr;
}
int zovezadu_size_count(void) { return fill::kSizeChoiceCount; }
const char* zovezadu_size_text(int size) {
  return inRange(size, 0, fill::kSizeChoiceCount - 1) ? fill::kSizeChoiceNames[size] : nullptr;
}
int zovezadu_scale_minimum(void) { return fill::kScaleMinimum; }
int zovezadu_scale_maximum(void) { return fill::kScaleMaximum; }
int zovezadu_scale_default(void) { return fill::kScaleDefault; }
int zovezadu_offset_limit(void) { return fill::kOffsetLimit; }
int zovezadu_seed_maximum(void) { return fill::kSeedMaximum; }
int zovezadu_seed_default(void) { return fill::kSeedDefault; }
int32_t zovezadu_plane_limit(void) { return fill::kPlaneLimit; }

ZovezaduFill* zovezadu_fill_open(const char* path, const ZovezaduFillOptions* options) {
  if (path == nullptr || options == nullptr || !validOptions(*options)) return nullptr;
  const std::size_t length = std::strlen(path);
  if (length == 0 || length >= fill::kFileNameBytes) return nullptr;
  auto* opened = new (std::nothrow) ZovezaduFill{};
  if (opened == nullptr) return nullptr;
  fill::FillJob& job = opened->fill.job;
  std::memcpy(job.fileName, path, length + 1);
  job.options.sizeChoice = options->size;
  job.options.scalePercent = options->scale_percent;
  job.options.angleDegrees = options->angle_degrees;
  job.options.offsetX = options->offset_x;
  job.options.offsetY = options->offset_y;
  job.options.repeat = options->repeat;
  job.options.seed = options->seed;
  job.options.makeSeamless = options->make_seamless != 0;
  std::int16_t result = fill::noErr;
  if (fill::startRectangleFill(opened->fill, 3, 1, &result) == 0) {
    delete opened;
    return nullptr;
  }
  return opened;
}

int zovezadu_fill_rectangle(ZovezaduFill* fill, int32_t x, int32_t y, int32_t width, int32_t height,
                            uint8_t* pixels, int32_t row_bytes) {
  if (fill == nullptr) return 0;
  std::int16_t result = fill::noErr;
  return fill::fillRectangle(fill->fill, y, x, height, width, pixels, row_bytes, &result);
}

int64_t zovezadu_fill_texture_bytes(const ZovezaduFill* fill) {
  if (fill == nullptr) return 0;
  const texture::TextureSource& source = fill->fill.job.source;
  return 3 * (static_cast<int64_t>(source.width) * source.height +
              static_cast<int64_t>(source.scaledWidth) * source.scaledHeight);
}

int zovezadu_fill_period(const ZovezaduFill* fill, int32_t* across, int32_t* down) {
  if (fill == nullptr || across == nullptr || down == nullptr) return 0;
  return fill::rectangleFillPeriod(fill->fill, across, down);
}

void zovezadu_fill_close(ZovezaduFill* fill) {
  if (fill == nullptr) return;
  fill::releaseRectangleFill(fill->fill);
  delete fill;
}

int zovezadu_make_seamless(uint8_t* pixels, int32_t width, int32_t height, int32_t channels, int32_t sample_bytes,
                           int method, int flatten) {
  if (!inRange(method, 0, zovezadu_seamless_method_count() - 1)) return 0;
  seamless::Picture picture{pixels, width, height, channels, sample_bytes};
  const seamless::Options options{static_cast<seamless::Method>(method), flatten != 0};
  return seamless::makeSeamless(picture, options, {}).outcome == seamless::Outcome::done ? 1 : 0;
}

int zovezadu_seamless_method_count(void) { return seamless::kMethodCount; }
const char* zovezadu_seamless_method_word(int method) {
  return inRange(method, 0, seamless::kMethodCount - 1) ? seamless::kMethodNames[method] : nullptr;
}

}  // extern "C"
