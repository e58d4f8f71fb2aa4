/* zovezadu:make-seamless: the layer made to tile without a seam. It needs
 * the whole layer: computed once, at the layer's 8 or 16 bits, and every
 * rectangle served from that. A layer too large for memory passes through
 * unchanged, with one warning. */
#ifdef GEGL_PROPERTIES

property_enum (method, "Method", ZovezaduSeamlessMethod, zovezadu_seamless_method, 0)
    description ("Smooth keeps every detail and spreads the jumps at the borders over the picture; "
                 "Cut first covers the borders with a strip from the middle, joined where it shows least")

property_boolean (flatten, "Flatten", FALSE)
    description ("First even out the large-scale change of brightness (a surface lit from one side)")

#else

#define GEGL_OP_FILTER
#define GEGL_OP_BUNDLE
#define GEGL_OP_NAME     zovezadu_make_seamless
#define GEGL_OP_C_SOURCE make_seamless.c

#include "gegl/choice_types.h"
#include "gegl/engine_bridge.h"
#include <gegl-op.h>

/* The layer's samples as they are encoded, in its own colour space: 16
 * bits for any layer deeper than 8. */
static void
prepare (GeglOperation *operation)
{
  const Babl *source = gegl_operation_get_source_format (operation, "input");
  const Babl *space = gegl_operation_get_source_space (operation, "input");
  const gboolean deep = source != NULL && babl_format_get_type (source, 0) != babl_type ("u8");
  const Babl *format = babl_format_with_space (deep ? "R'G'B' u16" : "R'G'B' u8", space);

  gegl_operation_set_format (operation, "input", format);
  gegl_operation_set_format (operation, "output", format);
}

static GeglRectangle
whole_input (GeglOperation *operation, const GeglRectangle *roi)
{
  const GeglRectangle *in_rect = gegl_operation_source_get_bounding_box (operation, "input");
  if (in_rect == NULL || gegl_rectangle_is_infinite_plane (in_rect))
    return *roi;
  return *in_rect;
}

static GeglRectangle
get_required_for_output (GeglOperation *operation, const gchar *input_pad, const GeglRectangle *roi)
{
  return whole_input (operation, roi);
}

static GeglRectangle
get_cached_region (GeglOperation *operation, const GeglRectangle *roi)
{
  return whole_input (operation, roi);
}

static gboolean
process (GeglOperation       *operation,
         GeglBuffer          *input,
         GeglBuffer          *output,
         const GeglRectangle *result,
         gint                 level)
{
  GeglProperties *o = GEGL_PROPERTIES (operation);
  const Babl *format = gegl_operation_get_format (operation, "output");
  const GeglRectangle *in_rect = gegl_operation_source_get_bounding_box (operation, "input");
  const gint sample_bytes = babl_format_get_bytes_per_pixel (format) / 3;
  GeglRectangle whole;
  guchar *pixels = NULL;
  gsize bytes;

  if (in_rect == NULL || gegl_rectangle_is_infinite_plane (in_rect) || gegl_rectangle_is_empty (in_rect))
    {
      gegl_buffer_copy (input, result, GEGL_ABYSS_NONE, output, result);
      return TRUE;
    }
  whole = *in_rect;
  bytes = (gsize) whole.width * (gsize) whole.height * 3 * (gsize) sample_bytes;
  if (bytes / whole.width / whole.height == 3 * (gsize) sample_bytes)
    pixels = g_try_malloc (bytes);
  if (pixels != NULL)
    {
      gegl_buffer_get (input, &whole, 1.0, format, pixels, GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_NONE);
      if (zovezadu_make_seamless (pixels, whole.width, whole.height, 3, sample_bytes, o->method, o->flatten))
        {
          gegl_buffer_set (output, &whole, 0, format, pixels, GEGL_AUTO_ROWSTRIDE);
          g_free (pixels);
          return TRUE;
        }
      g_free (pixels);
    }
  g_warning ("zovezadu:make-seamless: a %d x %d layer is too large for memory; left unchanged",
             whole.width, whole.height);
  gegl_buffer_copy (input, &whole, GEGL_ABYSS_NONE, output, &whole);
  return TRUE;
}

static void
gegl_op_class_init (GeglOpClass *klass)
{
  GeglOperationClass       *operation_class = GEGL_OPERATION_CLASS (klass);
  GeglOperationFilterClass *filter_class = GEGL_OPERATION_FILTER_CLASS (klass);

  filter_class->process = process;
  operation_class->prepare = prepare;
  operation_class->get_required_for_output = get_required_for_output;
  operation_class->get_cached_region = get_cached_region;
  /* One computation of the whole layer, not one for each thread's part. */
  operation_class->threaded = FALSE;

  gegl_operation_class_set_keys (operation_class,
    "name",               "zovezadu:make-seamless",
    "title",              "Make Seamless",
    "categories",         "map",
    "position-dependent", "true",
    "gimp:menu-path",     "<Image>/Filters/Map",
    "description",        "Make the layer tile without a seam, keeping its detail",
    NULL);
}

#endif
