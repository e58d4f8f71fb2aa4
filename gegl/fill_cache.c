#include "gegl/fill_cache.h"

#include <string.h>

struct FillUse
{
  ZovezaduFill *fill;
  gint          users;    /* threads rendering with it, and the cache while it holds it */
};

struct FillCache
{
  GMutex              lock;
  FillUse            *held;
  gboolean            tried;     /* an open was attempted for the key below */
  gchar              *path;
  ZovezaduFillOptions options;
};

FillCache *
fill_cache_new (void)
{
  FillCache *cache = g_new0 (FillCache, 1);
  g_mutex_init (&cache->lock);
  return cache;
}

static void
drop_use (FillUse *use)
{
  if (use != NULL && --use->users == 0)
    {
      zovezadu_fill_close (use->fill);
      g_free (use);
    }
}

void
fill_cache_free (FillCache *cache)
{
  if (cache == NULL)
    return;
  drop_use (cache->held);
  g_free (cache->path);
  g_mutex_clear (&cache->lock);
  g_free (cache);
}

static gboolean
same_key (const FillCache *cache, const char *path, const ZovezaduFillOptions *options)
{
  const ZovezaduFillOptions *held = &cache->options;
  return cache->tried && g_strcmp0 (cache->path, path) == 0 && held->size == options->size &&
         held->scale_percent == options->scale_percent && held->angle_degrees == options->angle_degrees &&
         held->offset_x == options->offset_x && held->offset_y == options->offset_y &&
         held->repeat == options->repeat && held->seed == options->seed &&
         held->make_seamless == options->make_seamless;
}

gboolean
fill_cache_open (FillCache *cache, const char *path, const ZovezaduFillOptions *options)
{
  gboolean held;

  g_mutex_lock (&cache->lock);
  if (!same_key (cache, path, options))
    {
      ZovezaduFill *fill = NULL;
      drop_use (cache->held);
      cache->held = NULL;
      g_free (cache->path);
      cache->path = g_strdup (path);
      cache->options = *options;
      cache->tried = TRUE;
      if (path != NULL && path[0] != '\0')
        {
          fill = zovezadu_fill_open (path, options);
          if (fill == NULL)
            g_warning ("zovezadu:texture-fill: %s: the texture cannot be filled (missing, unreadable, "
                       "unsupported or too large for memory); rendering nothing", path);
        }
      if (fill != NULL)
        {
          cache->held = g_new0 (FillUse, 1);
          cache->held->fill = fill;
          cache->held->users = 1;
        }
    }
  held = cache->held != NULL;
  g_mutex_unlock (&cache->lock);
  return held;
}

FillUse *
fill_cache_use (FillCache *cache)
{
  FillUse *use;
  g_mutex_lock (&cache->lock);
  use = cache->held;
  if (use != NULL)
    use->users++;
  g_mutex_unlock (&cache->lock);
  return use;
}

ZovezaduFill *
fill_use_fill (FillUse *use)
{
  return use->fill;
}

void
fill_cache_done (FillCache *cache, FillUse *use)
{
  g_mutex_lock (&cache->lock);
  drop_use (use);
  g_mutex_unlock (&cache->lock);
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
