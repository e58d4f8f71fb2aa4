/* The GEGL operations against GEGL's own, in one process, taking turns:
 *   zovezadu:texture-fill over WIDTH x HEIGHT at 100 %  vs  gegl:load + gegl:tile
 *   zovezadu:make-seamless of a photograph             vs  gegl:tile-seamless
 * Prints the median seconds of each, their ratio (for the fill also the
 * first run's, before anything is kept between graphs), and the seam ratio of
 * each make-seamless result (the mean absolute difference across the
 * wrap-around edges over that between neighbouring interior pixels).
 *
 *   gegl_bench TEXTURE WIDTH HEIGHT RUNS [PHOTOGRAPH...]
 * GEGL_PATH must name the folder of zovezadu.so and GEGL's own. */
#include <gegl.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int
by_value (const void *a, const void *b)
{
  const double x = *(const double *) a, y = *(const double *) b;
  return x < y ? -1 : x > y;
}

static double
median (double *values, int count)
{
  qsort (values, count, sizeof *values, by_value);
  return count % 2 ? values[count / 2] : 0.5 * (values[count / 2 - 1] + values[count / 2]);
}

/* Renders `node` over `area` into a buffer of 8-bit RGB; the seconds taken. */
static double
render (GeglNode *node, const GeglRectangle *area, GeglBuffer **kept)
{
  GeglBuffer *buffer = gegl_buffer_new (area, babl_format ("R'G'B' u8"));
  gint64 start = g_get_monotonic_time ();
  gegl_node_blit_buffer (node, buffer, area, 0, GEGL_ABYSS_NONE);
  double seconds = (g_get_monotonic_time () - start) / 1e6;
  if (kept != NULL)
    *kept = buffer;
  else
    g_object_unref (buffer);
  return seconds;
}

static double
seam_ratio (GeglBuffer *buffer)
{
  const GeglRectangle *r = gegl_buffer_get_extent (buffer);
  const int w = r->width, h = r->height;
  guchar *p = g_malloc ((gsize) w * h * 3);
  double inner = 0, wrap = 0;
  long inner_n = 0, wrap_n = 0;
  gegl_buffer_get (buffer, r, 1.0, babl_format ("R'G'B' u8"), p, GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_NONE);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++)
      for (int c = 0; c < 3; c++)
        {
          const int v = p[((gsize) y * w + x) * 3 + c];
          const int right = p[((gsize) y * w + (x + 1) % w) * 3 + c];
          const int below = p[((gsize) ((y + 1) % h) * w + x) * 3 + c];
          if (x + 1 < w) { inner += abs (v - right); inner_n++; } else { wrap += abs (v - right); wrap_n++; }
          if (y + 1 < h) { inner += abs (v - below); inner_n++; } else { wrap += abs (v - below); wrap_n++; }
        }
  g_free (p);
  return (wrap / wrap_n) / (inner / inner_n);
}

int
main (int argc, char **argv)
{
  if (argc < 5)
    {
      fprintf (stderr, "usage: gegl_bench TEXTURE WIDTH HEIGHT RUNS [PHOTOGRAPH...]\n");
      return 2;
    }
  gegl_init (&argc, &argv);
  const GeglRectangle area = {0, 0, atoi (argv[2]), atoi (argv[3])};
  const int runs = atoi (argv[4]);
  double *ours = g_new (double, runs), *theirs = g_new (double, runs);

  /* A fresh graph every run, so that nothing is served from the cache of
   * the run before. */
  for (int i = 0; i < runs; i++)
    {
      GeglNode *graph = gegl_node_new ();
      GeglNode *fill = gegl_node_new_child (graph, "operation", "zovezadu:texture-fill", "texture", argv[1], NULL);
      GeglNode *load = gegl_node_new_child (graph, "operation", "gegl:load", "path", argv[1], NULL);
      GeglNode *tile = gegl_node_new_child (graph, "operation", "gegl:tile", NULL);
      gegl_node_link (load, tile);
      /* Whichever goes second may get memory the first has just freed,
       * without the page faults of fresh memory: they take turns going
       * first. */
      if (i % 2 == 0)
        {
          ours[i] = render (fill, &area, NULL);
          theirs[i] = render (tile, &area, NULL);
        }
      else
        {
          theirs[i] = render (tile, &area, NULL);
          ours[i] = render (fill, &area, NULL);
        }
      g_object_unref (graph);
    }
  /* The first run of each as well: ours opens the texture then, later runs
   * take the fill the module keeps, as GIMP's preview does. */
  const double first_ours = ours[0], first_theirs = theirs[0];
  const double fill_ours = median (ours, runs), fill_theirs = median (theirs, runs);
  const char *texture = strrchr (argv[1], '/');
  texture = texture ? texture + 1 : argv[1];
  printf ("| texture fill %s %dx%d | %.3f | %.3f | %.2fx |\n", texture, area.width, area.height, fill_ours,
          fill_theirs, fill_ours / fill_theirs);
  printf ("| texture fill %s %dx%d, first run | %.3f | %.3f | %.2fx |\n", texture, area.width, area.height,
          first_ours, first_theirs, first_ours / first_theirs);

  for (int picture = 5; picture < argc; picture++)
    {
      GeglBuffer *ours_out = NULL, *theirs_out = NULL, *decoded = NULL;
      /* The picture decoded once, into a buffer of its own, before either
       * is timed: both read it from memory, as from a layer. */
      GeglNode *loader = gegl_node_new ();
      GeglNode *load = gegl_node_new_child (loader, "operation", "gegl:load", "path", argv[picture], NULL);
      const GeglRectangle whole = gegl_node_get_bounding_box (load);
      render (load, &whole, &decoded);
      g_object_unref (loader);
      for (int i = 0; i < runs; i++)
        {
          GeglNode *graph = gegl_node_new ();
          GeglNode *source = gegl_node_new_child (graph, "operation", "gegl:buffer-source", "buffer", decoded, NULL);
          GeglNode *made = gegl_node_new_child (graph, "operation", "zovezadu:make-seamless", NULL);
          GeglNode *blend = gegl_node_new_child (graph, "operation", "gegl:tile-seamless", NULL);
          gegl_node_link (source, made);
          gegl_node_link (source, blend);
          if (ours_out) g_object_unref (ours_out);
          if (theirs_out) g_object_unref (theirs_out);
          if (i % 2 == 0)
            {
              ours[i] = render (made, &whole, &ours_out);
              theirs[i] = render (blend, &whole, &theirs_out);
            }
          else
            {
              theirs[i] = render (blend, &whole, &theirs_out);
              ours[i] = render (made, &whole, &ours_out);
            }
          g_object_unref (graph);
        }
      g_object_unref (decoded);
      const double a = median (ours, runs), b = median (theirs, runs);
      const char *name = strrchr (argv[picture], '/');
      printf ("| make-seamless %s %dx%d | %.3f | %.3f | %.2fx | %.3f | %.3f |\n",
              name ? name + 1 : argv[picture], whole.width, whole.height, a, b, a / b, seam_ratio (ours_out),
              seam_ratio (theirs_out));
      g_object_unref (ours_out);
      g_object_unref (theirs_out);
    }
  g_free (ours);
  g_free (theirs);
  gegl_exit ();
  return 0;
}
