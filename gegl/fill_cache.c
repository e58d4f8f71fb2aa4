#include "gegl/fill_cache.h"

#include <string.h>

#include "gegl/fill_store.h"

struct FillCache
{
  GMutex      lock;
  FillUse    *held;
  gboolean    tried;          /* an open was attempted for the key below */
  FillKey     key;
  GeglBuffer *pattern;        /* one period of pattern_of, see fill_cache_pattern */
  FillUse    *pattern_of;
};

/* A period larger than this is not kept as a pattern. */
#define PATTERN_MOST_BYTES (64 * 1024 * 1024)

FillCache *
fill_cache_new (void)
{
  FillCache *cache = g_new0 (FillCache, 1);
  g_mutex_init (&cache->lock);
  return cache;
}

void
fill_cache_free (FillCache *cache)
{
  if (cache == NULL)
    return;
  fill_use_unref (cache->held);
  g_clear_object (&cache->pattern);
  fill_use_unref (cache->pattern_of);
  fill_key_clear (&cache->key);
  g_mutex_clear (&cache->lock);
  g_free (cache);
}

gboolean
fill_cache_open (FillCache *cache, const char *path, const ZovezaduFillOptions *options)
{
  FillKey key;
  FillUse *let_go = NULL;
  gboolean held;

  fill_key_set (&key, path, options);
  g_mutex_lock (&cache->lock);
  if (!cache->tried || !fill_key_equal (&cache->key, &key))
    {
      let_go = cache->held;
      fill_key_clear (&cache->key);
      cache->key = key;
      key.path = NULL;
      cache->tried = TRUE;
      cache->held = fill_store_open (&cache->key);
      if (cache->held == NULL && path != NULL && path[0] != '\0')
        g_warning ("zovezadu:texture-fill: %s: the texture cannot be filled (missing, unreadable, "
                   "unsupported or too large for memory); rendering nothing", path);
    }
  held = cache->held != NULL;
  g_mutex_unlock (&cache->lock);
  fill_key_clear (&key);
  fill_use_unref (let_go);
  return held;
}

FillUse *
fill_cache_use (FillCache *cache)
{
  FillUse *use;
  g_mutex_lock (&cache->lock);
  use = cache->held != NULL ? fill_use_ref (cache->held) : NULL;
  g_mutex_unlock (&cache->lock);
  return use;
}

void
fill_cache_done (FillCache *cache, FillUse *use)
{
  fill_use_unref (use);
}

static GeglBuffer *
new_pattern (FillUse *use, const Babl *format, gint tile_width, gint tile_height)
{
  ZovezaduFill *fill = fill_use_fill (use);
  int32_t across = 0, down = 0;
  GeglBuffer *pattern;
  guchar *pixels;

  if (!zovezadu_fill_period (fill, &across, &down) || babl_format_get_bytes_per_pixel (format) != 3 ||
      tile_width < 1 || tile_height < 1 || across % tile_width != 0 || down % tile_height != 0 ||
      (gint64) across * down * 3 > PATTERN_MOST_BYTES)
    return NULL;
  pixels = g_try_malloc ((gsize) across * down * 3);
  if (pixels == NULL)
    return NULL;
  if (!zovezadu_fill_rectangle (fill, 0, 0, across, down, pixels, across * 3))
    {
      g_free (pixels);
      return NULL;
    }
  pattern = g_object_new (GEGL_TYPE_BUFFER, "format", format, "x", 0, "y", 0, "width", (gint) across,
                          "height", (gint) down, "tile-width", tile_width, "tile-height", tile_height, NULL);
  gegl_buffer_set (pattern, gegl_buffer_get_extent (pattern), 0, format, pixels, GEGL_AUTO_ROWSTRIDE);
  g_free (pixels);
  return pattern;
}

GeglBuffer *
fill_cache_pattern (FillCache *cache, FillUse *use, const Babl *format, gint tile_width, gint tile_height)
{
  GeglBuffer *pattern = NULL;
  gint have_width = 0, have_height = 0;

  g_mutex_lock (&cache->lock);
  if (cache->pattern != NULL)
    g_object_get (cache->pattern, "tile-width", &have_width, "tile-height", &have_height, NULL);
  if (cache->pattern == NULL || cache->pattern_of != use || gegl_buffer_get_format (cache->pattern) != format ||
      have_width != tile_width || have_height != tile_height)
    {
      g_clear_object (&cache->pattern);
      fill_use_unref (cache->pattern_of);
      cache->pattern_of = fill_use_ref (use);
      cache->pattern = new_pattern (use, format, tile_width, tile_height);
    }
  if (cache->pattern != NULL)
    pattern = g_object_ref (cache->pattern);
  g_mutex_unlock (&cache->lock);
  return pattern;
}

gboolean
fill_sample_level (ZovezaduFill *fill, const GeglRectangle *roi, gint level, guchar *out)
{
  const gint step = 1 << (level < 16 ? level : 16);
  const gint width = roi->width * step;
  guchar *row = g_try_malloc ((gsize) width * 3);
  gint y, x;

  if (row == NULL || width / step != roi->width)
    {
      g_free (row);
      return FALSE;
    }
  for (y = 0; y < roi->height; y++)
    {
      if (zovezadu_fill_rectangle (fill, roi->x * step, (roi->y + y) * step, width, 1, row, width * 3) == 0)
        {
          g_free (row);
          return FALSE;
        }
      for (x = 0; x < roi->width; x++)
        memcpy (out + ((gsize) y * roi->width + x) * 3, row + (gsize) x * step * 3, 3);
    }
  g_free (row);
  return TRUE;
}
