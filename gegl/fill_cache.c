#include "gegl/fill_cache.h"

#include <string.h>

#include "gegl/fill_store.h"

struct FillCache
{
  GMutex   lock;
  FillUse *held;
  gboolean tried;   /* an open was attempted for the key below */
  FillKey  key;
};

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
