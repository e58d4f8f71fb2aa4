/* The operations' lists as GLib enumerations, built from the engine's own
 * lists so that a choice the engine gains appears in them unchanged. */
#ifndef ZOVEZADU_GEGL_CHOICE_TYPES_H
#define ZOVEZADU_GEGL_CHOICE_TYPES_H

#include <glib-object.h>

typedef int ZovezaduSize;
typedef int ZovezaduRepeat;
typedef int ZovezaduSeamlessMethod;

GType zovezadu_size_get_type (void);
GType zovezadu_repeat_get_type (void);
GType zovezadu_seamless_method_get_type (void);

#endif
