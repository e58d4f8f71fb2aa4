// The library's string table: the one source of these texts for the Windows
// resource script (resources/orielvmx.rc) and, as rows of
// resources/string_table.h, for the POSIX platform layer.
// Each line: STRING_ENTRY(id, "text").
#ifndef ORIELVMX_STRING_TABLE
#define ORIELVMX_STRING_TABLE(STRING_ENTRY)                              \
  STRING_ENTRY(1, "Oriel Brindle Texture Library")                       \
  STRING_ENTRY(2, "OrielVMX.ini")                                        \
  STRING_ENTRY(5, "Oriel VMX")                                           \
  STRING_ENTRY(6, "Zovezadu...")                                         \
  STRING_ENTRY(100, "Out of Memory")                                     \
  STRING_ENTRY(101, "Cannot find file %s")                               \
  STRING_ENTRY(102, "Unsupported file format")                           \
  STRING_ENTRY(103, "Error while reading file")                          \
  STRING_ENTRY(110, "%s must be a whole number from %d to %d.")          \
  STRING_ENTRY(199, "Unknown error has occured")                         \
  STRING_ENTRY(400, "Size Unknown")
#endif

#define IDS_SETTINGS_SECTION 1
#define IDS_SETTINGS_FILE 2
#define IDS_OUT_OF_MEMORY 100
#define IDS_CANNOT_FIND_FILE 101
#define IDS_UNSUPPORTED_FORMAT 102
#define IDS_READ_ERROR 103
// Preferences: a typed option outside its range (its name, the range).
#define IDS_OPTION_OUT_OF_RANGE 110
