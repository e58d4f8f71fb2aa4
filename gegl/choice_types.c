#include "gegl/choice_types.h"

#include "gegl/engine_bridge.h"

typedef const char *(*ChoiceText) (int choice);

/* An enumeration of `count` values: each one's nick the command line's
 * word (the text in lower case when there is none), its name the text a
 * dialog shows. Registered once, kept for the life of the process. */
static GType
register_choices (const char *type_name, int count, ChoiceText word, ChoiceText text)
{
  GEnumValue *values = g_new0 (GEnumValue, count + 1);
  int i;

  for (i = 0; i < count; i++)
    {
      values[i].value = i;
      values[i].value_name = text (i);
      values[i].value_nick = word != NULL ? word (i) : g_ascii_strdown (text (i), -1);
    }
  return g_enum_register_static (type_name, values);
}

static const char *
size_text (int size)
{
  return zovezadu_size_text (size);
}

/* The words of the seamless methods, first letter raised. */
static const char *
method_text (int method)
{
  static const char *texts[8];
  if (texts[method] == NULL)
    {
      char *text = g_strdup (zovezadu_seamless_method_word (method));
      text[0] = g_ascii_toupper (text[0]);
      texts[method] = text;
    }
  return texts[method];
}

GType
zovezadu_size_get_type (void)
{
  static gsize type = 0;
  if (g_once_init_enter (&type))
    g_once_init_leave (&type, register_choices ("ZovezaduSize", zovezadu_size_count (), NULL, size_text));
  return type;
}

GType
zovezadu_repeat_get_type (void)
{
  static gsize type = 0;
  if (g_once_init_enter (&type))
    g_once_init_leave (&type, register_choices ("ZovezaduRepeat", zovezadu_repeat_count (), zovezadu_repeat_word,
                                                zovezadu_repeat_text));
  return type;
}

GType
zovezadu_seamless_method_get_type (void)
{
  static gsize type = 0;
  if (g_once_init_enter (&type))
    {
      int count = zovezadu_seamless_method_count ();
      g_once_init_leave (&type, register_choices ("ZovezaduSeamlessMethod", count < 8 ? count : 8,
                                                  zovezadu_seamless_method_word, method_text));
    }
  return type;
}
