# Writes the plug-in property list resource ("PiPL" 16000, US English) of one
# build as a resource script, from the description in resources/pipl.txt.
#
#   cmake -DDESCRIPTION=resources/pipl.txt -DENTRY_KEY=wx86|8664
#         -DOUTPUT=pipl.rc -P cmake/generate_pipl.cmake
#
# Windows layout, all numbers little-endian: int16 1, int32 0, int32 count,
# then per property the vendor "8BIM", the key, int32 0, int32 length and the
# data padded with zeros to a multiple of 4. The length field holds the padded
# length: some hosts step to the next property by the length they read, others
# round it up to 4 first, and only a padded length leads both to the same
# place. The bytes go out as 16-bit words (every part has an even length),
# which windres copies as they are.

cmake_minimum_required(VERSION 3.25)

foreach(required DESCRIPTION ENTRY_KEY OUTPUT)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "generate_pipl: -D${required}=... is missing")
  endif()
endforeach()

# Appends to `out` (a list of byte values) the bytes of a text.
function(pipl_text_bytes text out)
  set(bytes ${${out}})
  string(HEX "${text}" hex)
  string(REGEX MATCHALL ".." pairs "${hex}")
  foreach(pair IN LISTS pairs)
    math(EXPR byte "0x${pair}")
    list(APPEND bytes ${byte})
  endforeach()
  set(${out} ${bytes} PARENT_SCOPE)
endfunction()

function(pipl_int_bytes value size out)
  set(bytes ${${out}})
  math(EXPR last "${size} - 1")
  foreach(i RANGE ${last})
    math(EXPR byte "((${value}) >> (8 * ${i})) & 0xFF")
    list(APPEND bytes ${byte})
  endforeach()
  set(${out} ${bytes} PARENT_SCOPE)
endfunction()

# A four-character code is the big-endian number of its characters ('8BIM' is
# 0x3842494D); stored little-endian, its characters come out reversed.
function(pipl_code_bytes code out)
  string(LENGTH "${code}" length)
  if(NOT length EQUAL 4)
    message(FATAL_ERROR "generate_pipl: '${code}' is not four characters")
  endif()
  set(bytes ${${out}})
  set(reversed "")
  foreach(i 3 2 1 0)
    string(SUBSTRING "${code}" ${i} 1 c)
    string(APPEND reversed "${c}")
  endforeach()
  pipl_text_bytes("${reversed}" bytes)
  set(${out} ${bytes} PARENT_SCOPE)
endfunction()

# "0x1234" with four digits: the output reads like a hex dump.
function(pipl_word low high out)
  math(EXPR word "${low} + 256 * ${high}" OUTPUT_FORMAT HEXADECIMAL)
  string(SUBSTRING "${word}" 2 -1 digits)
  string(LENGTH "${digits}" length)
  while(length LESS 4)
    string(PREPEND digits "0")
    math(EXPR length "${length} + 1")
  endwhile()
  string(TOUPPER "${digits}" digits)
  set(${out} "0x${digits}" PARENT_SCOPE)
endfunction()

# One line of the resource script: `bytes` as 16-bit words.
function(pipl_words_line bytes_var out)
  set(bytes ${${bytes_var}})
  list(LENGTH bytes count)
  math(EXPR odd "${count} % 2")
  if(odd)
    message(FATAL_ERROR "generate_pipl: odd byte count ${count}")
  endif()
  set(words "")
  set(i 0)
  while(i LESS count)
    math(EXPR j "${i} + 1")
    list(GET bytes ${i} low)
    list(GET bytes ${j} high)
    pipl_word(${low} ${high} word)
    list(APPEND words ${word})
    math(EXPR i "${i} + 2")
  endwhile()
  list(JOIN words ", " line)
  set(${out} "${line}" PARENT_SCOPE)
endfunction()

file(STRINGS "${DESCRIPTION}" description_lines)
set(body "")
set(property_count 0)
foreach(line IN LISTS description_lines)
  if(line MATCHES "^[ \t]*(#|$)")
    continue()
  endif()
  if(NOT line MATCHES "^([^ \t]+)[ \t]+([a-z0-9]+)[ \t]+(.*[^ \t])[ \t]*$")
    message(FATAL_ERROR "generate_pipl: cannot read '${line}'")
  endif()
  set(key "${CMAKE_MATCH_1}")
  set(type "${CMAKE_MATCH_2}")
  set(value "${CMAKE_MATCH_3}")
  if(value MATCHES "^\"(.*)\"$")
    set(value "${CMAKE_MATCH_1}")
  endif()
  if(key STREQUAL "entry")
    set(key "${ENTRY_KEY}")
  endif()

  set(data "")
  if(type STREQUAL "code")
    pipl_code_bytes("${value}" data)
  elseif(type STREQUAL "int32")
    pipl_int_bytes("${value}" 4 data)
  elseif(type STREQUAL "cstring")
    pipl_text_bytes("${value}" data)
    list(APPEND data 0)
  elseif(type STREQUAL "pstring")
    string(LENGTH "${value}" length)
    if(length GREATER 255)
      message(FATAL_ERROR "generate_pipl: '${value}' is longer than a length byte can say")
    endif()
    set(data ${length})
    pipl_text_bytes("${value}" data)
  elseif(type STREQUAL "modes")
    # Readers take the set byte by byte in file order, the first byte holding
    # modes 0 to 7 with mode 0 in its top bit; four bytes cover modes 0 to 31.
    separate_arguments(modes UNIX_COMMAND "${value}")
    set(data 0 0 0 0)
    foreach(mode IN LISTS modes)
      if(NOT mode MATCHES "^[0-9]+$" OR mode GREATER 31)
        message(FATAL_ERROR "generate_pipl: image mode '${mode}' has no bit in a four-byte set")
      endif()
      math(EXPR index "${mode} / 8")
      list(GET data ${index} byte)
      math(EXPR byte "${byte} | (0x80 >> (${mode} % 8))")
      list(REMOVE_AT data ${index})
      list(INSERT data ${index} ${byte})
    endforeach()
  elseif(type STREQUAL "bytes")
    separate_arguments(values UNIX_COMMAND "${value}")
    foreach(byte IN LISTS values)
      if(NOT byte MATCHES "^(0x[0-9A-Fa-f]+|[0-9]+)$")
        message(FATAL_ERROR "generate_pipl: '${byte}' is not a byte value")
      endif()
      math(EXPR byte "${byte}")
      if(byte GREATER 255)
        message(FATAL_ERROR "generate_pipl: '${byte}' does not fit in a byte")
      endif()
      list(APPEND data ${byte})
    endforeach()
  else()
    message(FATAL_ERROR "generate_pipl: unknown type '${type}' for '${key}'")
  endif()

  list(LENGTH data raw_length)
  set(data_length ${raw_length})
  math(EXPR padded_length "(${raw_length} + 3) / 4 * 4")
  while(raw_length LESS padded_length)
    list(APPEND data 0)
    math(EXPR raw_length "${raw_length} + 1")
  endwhile()
  list(LENGTH data padded_length)

  set(property "")
  pipl_code_bytes("8BIM" property)
  pipl_code_bytes("${key}" property)
  pipl_int_bytes(0 4 property)
  pipl_int_bytes(${padded_length} 4 property)
  list(APPEND property ${data})
  pipl_words_line(property words)
  string(APPEND body "  // '${key}' ${type}, ${data_length} bytes of data, ${padded_length} with padding\n  ${words},\n")
  math(EXPR property_count "${property_count} + 1")
endforeach()

set(header "")
pipl_int_bytes(1 2 header)
pipl_int_bytes(0 4 header)
pipl_int_bytes(${property_count} 4 header)
pipl_words_line(header header_words)

# The last word takes no comma.
string(REGEX REPLACE ",\n$" "\n" body "${body}")

file(WRITE "${OUTPUT}.tmp"
"// Generated from resources/pipl.txt by cmake/generate_pipl.cmake (entry key\n"
"// '${ENTRY_KEY}'); edit the description, not this file.\n"
"LANGUAGE 9, 1\n"
"\n"
"16000 PiPL\n"
"{\n"
"  // version 1, reserved 0, ${property_count} properties\n"
"  ${header_words},\n"
"${body}"
"}\n")
# Unchanged bytes keep their time stamp, so the DLL does not relink for nothing.
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
