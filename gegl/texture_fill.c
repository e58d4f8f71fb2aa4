/* zovezadu:texture-fill: the texture fill over the infinite plane, the
 * repetition anchored at the buffer's (0, 0) (in GIMP, the layer's corner).
 * Every rectangle GEGL asks for, on any of its threads, gets the pixels the
 * whole document's fill has there. A texture that cannot be filled renders
 * transparent, with one warning naming the file. */
#ifdef GEGL_PROPERTIES

property_file_path (texture, "Texture", "")
    description ("The texture: a PNG, JPEG, BMP or TIFF file")

property_enum (size, "Size to", ZovezaduSize, zovezadu_size, 0)
    description ("The texture's size before the scale: its own, or a square library size")

property_int (scale, "Scale %", 100)
    description ("The texture's size in percent")
    value_range (zovezadu_scale_minimum (), zovezadu_scale_maximum ())
    ui_range (10, 400)

property_double (angle, "Angle", 0.0)
    description ("The texture's turn in degrees, counter-clockwise")
    value_range (-360.0, 360.0)
    ui_meta ("unit", "degree")
    ui_meta ("direction", "ccw")

property_int (offset_x, "Offset X", 0)
    description ("Where the texture's top-left corner lands, across")
    value_range (-zovezadu_offset_limit (), zovezadu_offset_limit ())
    ui_range (-512, 512)
    ui_meta ("unit", "pixel-distance")
    ui_meta ("axis", "x")

property_int (offset_y, "Offset Y", 0)
    description ("Where the texture's top-left corner lands, down")
    value_range (-zovezadu_offset_limit (), zovezadu_offset_limit ())
    ui_range (-512, 512)
    ui_meta ("unit", "pixel-distance")
    ui_meta ("axis", "y")

property_enum (repeat, "Repeat", ZovezaduRepeat, zovezadu_repeat, 0)
    description ("How the texture repeats")

property_int (variation, "Variation", 1)
    description ("Another arrangement of the fill without repetition")
    value_range (0, zovezadu_seed_maximum ())

property_boolean (make_seamless, "Make seamless", FALSE)
    description ("Make the texture tile without a seam before filling")

#else

#define GEGL_OP_POINT_RENDER
#define GEGL_OP_BUNDLE
#define GEGL_OP_NAME     zovezadu_texture_fill
#define GEGL_OP_C_SOURCE texture_fill.c

#include "gegl/choice_types.h"
#include "gegl/engine_bridge.h"
#include "gegl/fill_cache.h"
#include <gegl-op.h>

static FillCache *
cache_of (GeglOperation *operation)
{
  GeglProperties *o = GEGL_PROPERTIES (operation);
  if (o->user_data == NULL)
    o->user_data = fill_cache_new ();
  return o->user_data;
}

/* The fill is taken here, at each change of the properties or of the
 * texture's file, from the fills the module keeps or opened anew: opaque
 * RGB in the texture's 8 bits, or transparent when it cannot be. */
static void
prepare (GeglOperation *operation)
{
  GeglProperties *o = GEGL_PROPERTIES (operation);
  ZovezaduFillOptions options;
  gboolean held;

  options.size = o->size;
  options.scale_percent = o->scale;
  options.angle_degrees = o->angle;
  options.offset_x = o->offset_x;
  options.offset_y = o->offset_y;
  options.repeat = o->repeat;
  options.seed = o->variation;
  options.make_seamless = o->make_seamless;
  held = fill_cache_open (cache_of (operation), o->texture, &options);
  gegl_operation_set_format (operation, "output", babl_format (held ? "R'G'B' u8" : "R'G'B'A u8"));
}

static GeglRectangle
get_bounding_box (GeglOperation *operation)
{
  return gegl_rectangle_infinite_plane ();
}

static gboolean
process (GeglOperation       *operation,
         void                *out_buf,
         glong                n_pixels,
         const GeglRectangle *roi,
         gint                 level)
{
  const Babl *format = gegl_operation_get_format (operation, "output");
  FillCache *cache = cache_of (operation);
  FillUse *use = fill_cache_use (cache);
  gboolean filled = FALSE;

  /* The format is the one prepare chose for the fill held then. */
  if (use != NULL && babl_format_get_bytes_per_pixel (format) == 3)
    {
      ZovezaduFill *fill = fill_use_fill (use);
      if (level == 0)
        filled = zovezadu_fill_rectangle (fill, roi->x, roi->y, roi->width, roi->height, out_buf,
                                          roi->width * 3) != 0;
      else
        filled = fill_sample_level (fill, roi, level, out_buf);
    }
  if (use != NULL)
    fill_cache_done (cache, use);
  if (!filled)
    memset (out_buf, 0, (size_t) n_pixels * babl_format_get_bytes_per_pixel (format));
  return TRUE;
}

/* Whole periods of a plain repetition copied from its pattern: the tiles
 * of the output that a period covers are shared with the pattern's. */
static void
copy_periods (GeglBuffer *pattern, GeglBuffer *output, const GeglRectangle *roi)
{
  const GeglRectangle *period = gegl_buffer_get_extent (pattern);
  const gint64 right = (gint64) roi->x + roi->width, bottom = (gint64) roi->y + roi->height;
  gint64 left = (gint64) roi->x - (((gint64) roi->x % period->width) + period->width) % period->width;
  gint64 top = (gint64) roi->y - (((gint64) roi->y % period->height) + period->height) % period->height;
  gint64 x, y;

  for (y = top; y < bottom; y += period->height)
    for (x = left; x < right; x += period->width)
      {
        const GeglRectangle cell = {(gint) x, (gint) y, period->width, period->height};
        GeglRectangle to, from;
        if (!gegl_rectangle_intersect (&to, &cell, roi))
          continue;
        from.x = to.x - cell.x;
        from.y = to.y - cell.y;
        from.width = to.width;
        from.height = to.height;
        gegl_buffer_copy (pattern, &from, GEGL_ABYSS_NONE, output, &to);
      }
}

static gboolean
within_plane (const GeglRectangle *roi)
{
  const gint64 limit = zovezadu_plane_limit ();
  return roi->x >= -limit && roi->y >= -limit && (gint64) roi->x + roi->width <= limit &&
         (gint64) roi->y + roi->height <= limit;
}

/* At full size, a fill that repeats on the output's tile grid is copied
 * from one period; every other, and any rectangle reaching past the plane
 * the fill covers, is rendered pixel by pixel (process). */
static gboolean
process_output (GeglOperation       *operation,
                GeglBuffer          *output,
                const GeglRectangle *roi,
                gint                 level)
{
  if (level == 0 && within_plane (roi))
    {
      FillCache *cache = cache_of (operation);
      FillUse *use = fill_cache_use (cache);
      GeglBuffer *pattern = NULL;
      if (use != NULL)
        {
          gint tile_width = 0, tile_height = 0;
          g_object_get (output, "tile-width", &tile_width, "tile-height", &tile_height, NULL);
          pattern = fill_cache_pattern (cache, use, gegl_operation_get_format (operation, "output"), tile_width,
                                        tile_height);
          fill_cache_done (cache, use);
        }
      if (pattern != NULL)
        {
          copy_periods (pattern, output, roi);
          g_object_unref (pattern);
          return TRUE;
        }
    }
  return GEGL_OPERATION_SOURCE_CLASS (gegl_op_parent_class)->process (operation, output, roi, level);
}

static void
finalize (GObject *object)
{
  GeglProperties *o = GEGL_PROPERTIES (object);
  fill_cache_free (o->user_data);
  o->user_data = NULL;
  G_OBJECT_CLASS (gegl_op_parent_class)->finalize (object);
}

static void
gegl_op_class_init (GeglOpClass *klass)
{
  GObjectClass                  *object_class = G_OBJECT_CLASS (klass);
  GeglOperationClass            *operation_class = GEGL_OPERATION_CLASS (klass);
  GeglOperationSourceClass      *source_class = GEGL_OPERATION_SOURCE_CLASS (klass);
  GeglOperationPointRenderClass *point_render_class = GEGL_OPERATION_POINT_RENDER_CLASS (klass);

  object_class->finalize = finalize;
  source_class->process = process_output;
  point_render_class->process = process;
  operation_class->get_bounding_box = get_bounding_box;
  operation_class->prepare = prepare;

  gegl_operation_class_set_keys (operation_class,
    "name",               "zovezadu:texture-fill",
    "title",              "Texture Fill",
    "categories",         "render",
    "position-dependent", "true",
    "gimp:menu-path",     "<Image>/Filters/Render/Pattern",
    "description",        "Fill with a texture at any scale and angle, tiled, mirrored or without repetition",
    NULL);
}

#endif
