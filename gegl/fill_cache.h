/* The texture fill one operation holds: taken again from the fills this
 * process keeps only when its texture, the file or the options change,
 * shared by the operation's threads, each of which keeps the fill it started
 * with until its rectangle is done. */
#ifndef ZOVEZADU_GEGL_FILL_CACHE_H
#define ZOVEZADU_GEGL_FILL_CACHE_H

#include <gegl.h>

#include "gegl/engine_bridge.h"
#include "gegl/fill_store.h"

typedef struct FillCache FillCache;

FillCache *fill_cache_new (void);
void fill_cache_free (FillCache *cache);

/* Takes the fill for `path` as the file is now and `options` unless it is
 * the one held.
 * TRUE when a fill is held; FALSE (transparent) for no texture or one that
 * cannot be filled, the latter with one warning naming the file. */
gboolean fill_cache_open (FillCache *cache, const char *path, const ZovezaduFillOptions *options);

/* The fill held now, kept for the caller until fill_cache_done; NULL when
 * there is none. */
FillUse *fill_cache_use (FillCache *cache);
void fill_cache_done (FillCache *cache, FillUse *use);

/* One period of `use` (the fill held) in `format`, as a buffer with tiles of
 * tile_width x tile_height, anchored at (0, 0): copied into an output with
 * the same tiles, whole tiles are shared rather than written again (GEGL
 * copies a shared tile only when either buffer changes it). A new
 * reference, or NULL when the fill does not repeat on the tile grid. */
GeglBuffer *fill_cache_pattern (FillCache *cache, FillUse *use, const Babl *format, gint tile_width,
                                gint tile_height);

/* The rectangle at mipmap `level` (each pixel the fill's at 2^level times
 * its position): 8-bit RGB rows `roi->width` pixels long. */
gboolean fill_sample_level (ZovezaduFill *fill, const GeglRectangle *roi, gint level, guchar *out);

#endif
