/* The fills opened in this process, shared by every texture-fill operation.
 * GIMP makes the operation again, or prepares it again, at each change of
 * its live preview; a texture already opened for the same file and options
 * is taken from here instead of being decoded and prepared once more. The
 * last few fills are kept; a file whose size, time or identity changed is
 * read again. */
#ifndef ZOVEZADU_GEGL_FILL_STORE_H
#define ZOVEZADU_GEGL_FILL_STORE_H

#include <glib.h>

#include "gegl/engine_bridge.h"

/* What tells one version of a file from another. */
typedef struct
{
  gboolean found;   /* FALSE when the file could not be looked at */
  guint64  device;
  guint64  inode;
  gint64   size;
  gint64   modified_seconds;
  glong    modified_nanoseconds;
} FileStamp;

/* One fill and the path, stamp and options it was opened for. */
typedef struct
{
  gchar              *path;
  FileStamp           stamp;
  ZovezaduFillOptions options;
} FillKey;

/* A fill shared by its users, closed when the last lets it go. */
typedef struct FillUse FillUse;

/* The key of `path` as the file is now; `path` is copied. */
void fill_key_set (FillKey *key, const char *path, const ZovezaduFillOptions *options);
void fill_key_clear (FillKey *key);
gboolean fill_key_equal (const FillKey *a, const FillKey *b);

/* The fill for `key`, kept or opened now: a reference for the caller, or
 * NULL when the texture cannot be filled (nothing is kept then). */
FillUse *fill_store_open (const FillKey *key);

/* Lets every kept fill go (their users keep theirs until they are done). */
void fill_store_clear (void);

FillUse *fill_use_ref (FillUse *use);
void fill_use_unref (FillUse *use);
ZovezaduFill *fill_use_fill (FillUse *use);

#endif
