/* The GEGL module: its two operations registered when GEGL loads it, the
 * fills it keeps let go when it is unloaded. */
#include <gegl-plugin.h>

#include "gegl/fill_store.h"

void gegl_op_zovezadu_texture_fill_register_type (GTypeModule *module);
void gegl_op_zovezadu_make_seamless_register_type (GTypeModule *module);

static const GeglModuleInfo module_info = { GEGL_MODULE_ABI_VERSION };

G_MODULE_EXPORT const GeglModuleInfo *gegl_module_query (GTypeModule *module);
G_MODULE_EXPORT gboolean gegl_module_register (GTypeModule *module);
G_MODULE_EXPORT void g_module_unload (GModule *module);

G_MODULE_EXPORT const GeglModuleInfo *
gegl_module_query (GTypeModule *module)
{
  return &module_info;
}

G_MODULE_EXPORT gboolean
gegl_module_register (GTypeModule *module)
{
  gegl_op_zovezadu_texture_fill_register_type (module);
  gegl_op_zovezadu_make_seamless_register_type (module);
  return TRUE;
}

/* The fills kept for the texture-fill operations go with the module. */
G_MODULE_EXPORT void
g_module_unload (GModule *module)
{
  fill_store_clear ();
}
