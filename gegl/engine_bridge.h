/* The engine as the GEGL operations see it: plain C over the fill's
 * rectangle entry and the seamless layer, so that the operations themselves
 * stay C files built with GEGL's own property macros. */
#ifndef ZOVEZADU_GEGL_ENGINE_BRIDGE_H
#define ZOVEZADU_GEGL_ENGINE_BRIDGE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The choices offered, in the engine's order: their count and, for each,
 * the word a command line types and the text a dialog shows. */
int zovezadu_repeat_count(void);
const char *zovezadu_repeat_word(int repeat);
const char *zovezadu_repeat_text(int repeat);
int zovezadu_size_count(void);
const char *zovezadu_size_text(int size);

/* The fill's options with the ranges of the Preferences and texfill. */
int zovezadu_scale_minimum(void);
int zovezadu_scale_maximum(void);
int zovezadu_scale_default(void);
int zovezadu_offset_limit(void);
int zovezadu_seed_maximum(void);
int zovezadu_seed_default(void);
/* How far from the origin a rectangle of the fill may reach. */
int32_t zovezadu_plane_limit(void);

typedef struct {
  int size;          /* the size choice */
  int scale_percent;
  double angle_degrees;
  int offset_x;
  int offset_y;
  int repeat;
  int seed;
  int make_seamless;
} ZovezaduFillOptions;

typedef struct ZovezaduFill ZovezaduFill;

/* The texture at `path` opened and prepared for 8-bit RGB pixels, the
 * repetition anchored at (0, 0); NULL when it cannot be (a missing,
 * unreadable or unsupported file, options out of range, memory). */
ZovezaduFill *zovezadu_fill_open(const char *path, const ZovezaduFillOptions *options);
/* Writes the rectangle's packed RGB pixels, rows `row_bytes` apart; safe
 * from several threads at once. 1, or 0 with nothing written. */
int zovezadu_fill_rectangle(ZovezaduFill *fill, int32_t x, int32_t y, int32_t width, int32_t height,
                            uint8_t *pixels, int32_t row_bytes);
void zovezadu_fill_close(ZovezaduFill *fill);
/* The bytes of the texture's pixels at its own size and as prepared: about
 * what an open fill holds, give or take a mode's tables. */
int64_t zovezadu_fill_texture_bytes(const ZovezaduFill *fill);
/* 1 with the period when the fill repeats exactly every `across` x `down`
 * pixels (the texture at its own size, tiled or mirrored, not turned);
 * else 0. */
int zovezadu_fill_period(const ZovezaduFill *fill, int32_t *across, int32_t *down);

/* The picture (packed rows, `channels` 1 or 3 samples of `sample_bytes` 1
 * or 2) made seamless in place; method 0 smooth, 1 cut. 1 when done; 0 when
 * refused, out of memory or stopped, the picture then to be dropped. */
int zovezadu_make_seamless(uint8_t *pixels, int32_t width, int32_t height, int32_t channels,
                           int32_t sample_bytes, int method, int flatten);
int zovezadu_seamless_method_count(void);
const char *zovezadu_seamless_method_word(int method);

#ifdef __cplusplus
}
#endif

#endif
