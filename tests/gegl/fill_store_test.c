/* The fills the texture-fill operation keeps between graphs, in one process:
 * a texture file rewritten in place (same size, same inode, a new time) is
 * read again, and two operations on one file with different options do not
 * share pixels.
 *
 *   fill_store_test FIRST.bmp SECOND.bmp WORK.bmp
 * The two textures differ and have the same size in pixels and bytes; what
 * WORK.bmp fills is compared with the fill of the texture it was copied
 * from. GEGL_PATH must name the folder of zovezadu.so. */
#include <fcntl.h>
#include <gegl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>

static int failures;

static void
check (gboolean passed, const char *what)
{
  printf ("%s: %s\n", passed ? "ok" : "FAILED", what);
  failures += !passed;
}

/* The node's 8-bit RGB pixels over `area`. */
static guchar *
render (GeglNode *node, const GeglRectangle *area)
{
  guchar *pixels = g_malloc ((gsize) area->width * area->height * 3);
  gegl_node_blit (node, 1.0, area, babl_format ("R'G'B' u8"), pixels, GEGL_AUTO_ROWSTRIDE, GEGL_BLIT_DEFAULT);
  return pixels;
}

/* The texture fill of `texture` over `area` in a graph of its own. */
static guchar *
render_fill (const char *texture, gint offset_x, const GeglRectangle *area)
{
  GeglNode *graph = gegl_node_new ();
  GeglNode *fill = gegl_node_new_child (graph, "operation", "zovezadu:texture-fill", "texture", texture,
                                        "offset-x", offset_x, NULL);
  guchar *pixels = render (fill, area);
  g_object_unref (graph);
  return pixels;
}

/* Writes `from`'s bytes over `to` in place (the file keeps its inode and
 * size) and gives it the modification time `seconds`. */
static gboolean
rewrite (const char *from, const char *to, gint64 seconds)
{
  gchar *bytes = NULL;
  gsize length = 0;
  FILE *file;
  gboolean written;
  struct timespec times[2] = {{seconds, 0}, {seconds, 0}};

  if (!g_file_get_contents (from, &bytes, &length, NULL))
    return FALSE;
  file = fopen (to, g_file_test (to, G_FILE_TEST_EXISTS) ? "r+b" : "wb");
  written = file != NULL && fwrite (bytes, 1, length, file) == length;
  if (file != NULL)
    written = fclose (file) == 0 && written;
  g_free (bytes);
  return written && utimensat (AT_FDCWD, to, times, 0) == 0;
}

int
main (int argc, char **argv)
{
  const GeglRectangle area = {0, 0, 64, 48};
  GeglRectangle wide = area;
  const gsize bytes = (gsize) area.width * area.height * 3;
  guchar *first, *second, *pixels, *shifted;
  const char *work;
  gint y;
  gboolean same;

  if (argc != 4)
    {
      fprintf (stderr, "usage: fill_store_test FIRST.bmp SECOND.bmp WORK.bmp\n");
      return 2;
    }
  gegl_init (&argc, &argv);
  work = argv[3];
  first = render_fill (argv[1], 0, &area);
  second = render_fill (argv[2], 0, &area);
  check (memcmp (first, second, bytes) != 0, "the two textures fill differently");

  check (rewrite (argv[1], work, 1000000000), "the first texture written");
  pixels = render_fill (work, 0, &area);
  check (memcmp (pixels, first, bytes) == 0, "its copy fills as the first texture");
  g_free (pixels);

  check (rewrite (argv[2], work, 1000000002), "the second texture written over it, two seconds later");
  pixels = render_fill (work, 0, &area);
  check (memcmp (pixels, second, bytes) == 0, "the rewritten texture is read again");
  g_free (pixels);

  /* The fill moved 13 pixels right is the unmoved fill, 13 pixels on. */
  wide.width += 13;
  pixels = render_fill (work, 0, &wide);
  shifted = render_fill (work, 13, &wide);
  same = TRUE;
  for (y = 0; y < wide.height; y++)
    same = same && memcmp (shifted + ((gsize) y * wide.width + 13) * 3, pixels + (gsize) y * wide.width * 3,
                           (gsize) area.width * 3) == 0;
  check (same, "another offset of the same texture is its own fill");
  g_free (pixels);
  g_free (shifted);

  g_free (first);
  g_free (second);
  gegl_exit ();
  return failures != 0;
}
