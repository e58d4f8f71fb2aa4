#include "gegl/fill_store.h"

#include <string.h>
#include <sys/stat.h>

/* Fills kept for the next operation that asks: enough for GIMP's preview
 * going back and forth between a few settings, few and small enough that
 * the textures of settings long left do not stay in memory. A fill larger
 * than the budget alone is not kept. */
#define KEPT_FILLS 4
#define KEPT_BYTES ((gint64) 512 << 20)

struct FillUse
{
  ZovezaduFill *fill;
  gint          users;   /* every holder: the store while it keeps it, operations, rendering threads */
};

typedef struct
{
  FillKey  key;
  FillUse *use;
  gint64   bytes;   /* zovezadu_fill_texture_bytes */
} KeptFill;

static GMutex   store_lock;
static KeptFill kept[KEPT_FILLS];   /* the most recently used first; empty ones (use NULL) last */

void
fill_key_set (FillKey *key, const char *path, const ZovezaduFillOptions *options)
{
  struct stat status;

  memset (key, 0, sizeof *key);
  key->path = g_strdup (path);
  key->options = *options;
  if (path != NULL && stat (path, &status) == 0)
    {
      key->stamp.found = TRUE;
      key->stamp.device = (guint64) status.st_dev;
      key->stamp.inode = (guint64) status.st_ino;
      key->stamp.size = (gint64) status.st_size;
      key->stamp.modified_seconds = (gint64) status.st_mtim.tv_sec;
      key->stamp.modified_nanoseconds = status.st_mtim.tv_nsec;
    }
}

void
fill_key_clear (FillKey *key)
{
  g_free (key->path);
  key->path = NULL;
}

static gboolean
same_options (const ZovezaduFillOptions *a, const ZovezaduFillOptions *b)
{
  return a->size == b->size && a->scale_percent == b->scale_percent && a->angle_degrees == b->angle_degrees &&
         a->offset_x == b->offset_x && a->offset_y == b->offset_y && a->repeat == b->repeat &&
         a->seed == b->seed && a->make_seamless == b->make_seamless;
}

static gboolean
same_stamp (const FileStamp *a, const FileStamp *b)
{
  return a->found == b->found && a->device == b->device && a->inode == b->inode && a->size == b->size &&
         a->modified_seconds == b->modified_seconds && a->modified_nanoseconds == b->modified_nanoseconds;
}

gboolean
fill_key_equal (const FillKey *a, const FillKey *b)
{
  return g_strcmp0 (a->path, b->path) == 0 && same_stamp (&a->stamp, &b->stamp) &&
         same_options (&a->options, &b->options);
}

FillUse *
fill_use_ref (FillUse *use)
{
  g_atomic_int_inc (&use->users);
  return use;
}

void
fill_use_unref (FillUse *use)
{
  if (use != NULL && g_atomic_int_dec_and_test (&use->users))
    {
      zovezadu_fill_close (use->fill);
      g_free (use);
    }
}

ZovezaduFill *
fill_use_fill (FillUse *use)
{
  return use->fill;
}

/* Takes entry `index` out, moving the later ones up; its use is the
 * caller's. */
static FillUse *
take_out (gint index)
{
  FillUse *use = kept[index].use;
  fill_key_clear (&kept[index].key);
  memmove (&kept[index], &kept[index + 1], (KEPT_FILLS - 1 - index) * sizeof kept[0]);
  memset (&kept[KEPT_FILLS - 1], 0, sizeof kept[0]);
  return use;
}

/* Moves entry `index` first, the ones before it down one. */
static void
move_first (gint index)
{
  KeptFill entry = kept[index];
  memmove (&kept[1], &kept[0], index * sizeof kept[0]);
  kept[0] = entry;
}

/* The kept fill for `key`, moved first and with a reference for the
 * caller; NULL when there is none. Fills of the same path from another
 * version of the file are taken out into `stale`. */
static FillUse *
find_kept (const FillKey *key, FillUse **stale)
{
  gint index = 0, stale_count = 0;

  while (index < KEPT_FILLS && kept[index].use != NULL)
    {
      if (fill_key_equal (&kept[index].key, key))
        {
          move_first (index);
          return fill_use_ref (kept[0].use);
        }
      if (g_strcmp0 (kept[index].key.path, key->path) == 0 && !same_stamp (&kept[index].key.stamp, &key->stamp))
        stale[stale_count++] = take_out (index);
      else
        index++;
    }
  return NULL;
}

/* Keeps `use` for `key` first, unless another thread has just kept one for
 * the same key: then that one is the caller's and `use` is let go. The
 * least recently used fills go while there are too many or too large. */
static FillUse *
keep (const FillKey *key, FillUse *use)
{
  FillUse *let_go[2 * KEPT_FILLS] = {NULL};
  const gint64 bytes = zovezadu_fill_texture_bytes (use->fill);
  FillUse *found;
  gint64 total = bytes;
  gint count = 0, index, i;

  g_mutex_lock (&store_lock);
  found = find_kept (key, let_go);
  if (found == NULL && bytes <= KEPT_BYTES)
    {
      /* The most recently used that fit beside it stay; the rest go. */
      for (index = 0; index < KEPT_FILLS - 1 && kept[index].use != NULL; index++)
        {
          if (total + kept[index].bytes > KEPT_BYTES)
            break;
          total += kept[index].bytes;
        }
      while (index < KEPT_FILLS && kept[index].use != NULL)
        let_go[KEPT_FILLS + count++] = take_out (index);
      move_first (KEPT_FILLS - 1);
      kept[0].key = *key;
      kept[0].key.path = g_strdup (key->path);
      kept[0].use = fill_use_ref (use);
      kept[0].bytes = bytes;
    }
  g_mutex_unlock (&store_lock);
  for (i = 0; i < 2 * KEPT_FILLS; i++)
    fill_use_unref (let_go[i]);
  if (found != NULL)
    {
      fill_use_unref (use);
      return found;
    }
  return use;
}

FillUse *
fill_store_open (const FillKey *key)
{
  FillUse *stale[KEPT_FILLS] = {NULL};
  FillUse *use;
  ZovezaduFill *fill;
  gint i;

  if (key->path == NULL || key->path[0] == '\0')
    return NULL;
  g_mutex_lock (&store_lock);
  use = key->stamp.found ? find_kept (key, stale) : NULL;
  g_mutex_unlock (&store_lock);
  for (i = 0; i < KEPT_FILLS; i++)
    fill_use_unref (stale[i]);
  if (use != NULL)
    return use;

  /* Opened outside the lock, so that a long open (a large texture made
   * seamless) holds up no other operation. */
  fill = zovezadu_fill_open (key->path, &key->options);
  if (fill == NULL)
    return NULL;
  use = g_new0 (FillUse, 1);
  use->fill = fill;
  use->users = 1;
  /* A file that could not be looked at has no version to tell apart. */
  return key->stamp.found ? keep (key, use) : use;
}

void
fill_store_clear (void)
{
  FillUse *let_go[KEPT_FILLS];
  gint i;

  g_mutex_lock (&store_lock);
  for (i = 0; i < KEPT_FILLS; i++)
    let_go[i] = take_out (0);
  g_mutex_unlock (&store_lock);
  for (i = 0; i < KEPT_FILLS; i++)
    fill_use_unref (let_go[i]);
}
