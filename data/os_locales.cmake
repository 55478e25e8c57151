# Operating-system locale names: gls/lc11/os/<name> for every name by which
# the operating system knows a shipped locale ("en_US", "en_US.UTF-8",
# "en_US.utf8", ...), so that a locale named by LC_ variables is found when
# no locale file of ours has that name. Each entry is a relative symbolic
# link to the locale file, so it costs nothing, follows the file when it is
# rebuilt, and keeps working wherever the installation is copied.
#
# Included from data/CMakeLists.txt after the shipped locales are set up;
# uses locale_file_name(), ${lc_dir} and the locales of locales.list (and of
# SUPPORTED with VELMORAD_ALL_LOCALES).

# A code-set name as the C library spells it in locale names: letters in
# lower case and digits, everything else dropped; all digits get "iso".
function(os_codeset_spelling charmap out_var)
  string(TOLOWER "${charmap}" lower)
  string(REGEX REPLACE "[^a-z0-9]" "" spelled "${lower}")
  if(spelled MATCHES "^[0-9]+$")
    set(spelled "iso${spelled}")
  endif()
  set(${out_var} ${spelled} PARENT_SCOPE)
endfunction()

# The product's own names of the shipped code sets, by charmap ("8859-8"
# for ISO-8859-8).
foreach(row ${shipped_code_sets})
  string(REPLACE ":" ";" fields ${row})
  list(GET fields 0 os_product_name)
  list(GET fields 2 os_row_charmap)
  set(os_product_cs_${os_row_charmap} ${os_product_name})
endforeach()

set(os_dir ${lc_dir}/os)
set(os_outputs)
set(os_names_taken)
# Registry lines for the names that carry no code-set name the library can
# read ("en_US", "C.UTF-8", "de_DE@euro"): the code set of the client's
# locale, and so its conversions, comes from the name alone.
set(os_registry_lines)

# The registry line a name needs, if any, for the locale file <lc_name>.
function(os_registry_line name lc_name out_var)
  set(${out_var} "" PARENT_SCOPE)
  string(LENGTH "${name}" length)
  # "ll_TT.codeset[@mod]" finds its code set by the code-set name; a name of
  # more than 21 characters is no registry name.
  if(name MATCHES "^[A-Za-z][A-Za-z][A-Za-z]?_[A-Za-z][A-Za-z][.][^@]+(@[A-Za-z0-9]+)?$" OR
     length GREATER 21)
    return()
  endif()
  string(REGEX MATCH "/([0-9a-f][0-9a-f][0-9a-f][0-9a-f])" digits "${lc_name}")
  math(EXPR number "0x${CMAKE_MATCH_1}")
  set(${out_var} "${name} ${number}" PARENT_SCOPE)
endfunction()

# Adds the entry os/<name> for the locale file <lc_name> unless an earlier
# locale already took the name.
macro(os_locale_entry name lc_name)
  if(NOT "${name}" IN_LIST os_names_taken)
    list(APPEND os_names_taken "${name}")
    os_registry_line("${name}" ${lc_name} os_line)
    if(NOT os_line STREQUAL "")
      list(APPEND os_registry_lines "${os_line}")
    endif()
    set(os_entry ${os_dir}/${name})
    add_custom_command(
      OUTPUT ${os_entry}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${os_dir}
      COMMAND ${CMAKE_COMMAND} -E create_symlink ../${lc_name} ${os_entry}
      DEPENDS ${lc_dir}/${lc_name}
      VERBATIM)
    list(APPEND os_outputs ${os_entry})
    install(FILES ${os_entry} DESTINATION gls/lc11/os)
  endif()
endmacro()

# The names of the locales package's SUPPORTED list, by locale file; the
# plain "de_DE" there is the locale the system gives that name.
set(os_supported_lines)
if(EXISTS ${VELMORAD_SUPPORTED_LOCALES})
  file(STRINGS ${VELMORAD_SUPPORTED_LOCALES} os_supported_lines REGEX "^[^#]")
endif()

# Every name of one shipped locale: source.CHARMAP, source.charmap as the C
# library spells it, and the names SUPPORTED gives it; a modifier stays last.
macro(os_locale_names source charmap)
  locale_file_name(${source} ${charmap} os_lc_name os_reason)
  if(os_reason STREQUAL "")
    string(REGEX MATCH "^[^@]+" os_base ${source})
    string(REGEX MATCH "@.*$" os_modifier ${source})
    os_codeset_spelling(${charmap} os_spelled)
    os_locale_entry("${os_base}.${charmap}${os_modifier}" ${os_lc_name})
    os_locale_entry("${os_base}.${os_spelled}${os_modifier}" ${os_lc_name})
    # A modifier longer than a file name holds ("@hebrew") reaches its file
    # only through these names, so the product's spelling is one of them.
    string(LENGTH "${os_modifier}" os_modifier_length)
    if(os_modifier_length GREATER 5 AND DEFINED os_product_cs_${charmap})
      os_locale_entry("${os_base}.${os_product_cs_${charmap}}${os_modifier}" ${os_lc_name})
    endif()
    foreach(os_line ${os_supported_lines})
      if(os_line MATCHES "^([^ \t/]+)[ \t]+([^ \t/]+)")
        set(os_name ${CMAKE_MATCH_1})
        set(os_charmap ${CMAKE_MATCH_2})
        string(REGEX REPLACE "\\.[^@]*" "" os_source ${os_name})
        if(os_source STREQUAL "${source}" AND os_charmap STREQUAL "${charmap}")
          os_locale_entry("${os_name}" ${os_lc_name})
        endif()
      endif()
    endforeach()
  endif()
endmacro()

file(STRINGS ${CMAKE_CURRENT_SOURCE_DIR}/locales.list os_list_lines REGEX "^[^#]")
foreach(line ${os_list_lines})
  if(line MATCHES "^([^ \t]+)[ \t]+([^ \t]+)[ \t]*$")
    os_locale_names(${CMAKE_MATCH_1} ${CMAKE_MATCH_2})
  endif()
endforeach()

# The C library's own locales: C and POSIX are ASCII, which the en_US
# ISO-8859-1 locale covers (the registry maps both names to 819); C.UTF-8
# is the en_US UTF-8 one.
os_locale_entry("C" en_us/0333.lco)
os_locale_entry("POSIX" en_us/0333.lco)
os_locale_entry("C.UTF-8" en_us/e01c.lco)
os_locale_entry("C.utf8" en_us/e01c.lco)

if(VELMORAD_ALL_LOCALES)
  foreach(line ${os_supported_lines})
    if(line MATCHES "^([^ \t/]+)[ \t]+([^ \t/]+)")
      set(os_all_charmap ${CMAKE_MATCH_2})
      string(REGEX REPLACE "\\.[^@]*" "" os_all_source ${CMAKE_MATCH_1})
      locale_file_name(${os_all_source} ${os_all_charmap} os_all_name os_all_reason)
      if(os_all_reason STREQUAL "" AND EXISTS ${VELMORAD_LOCALE_SOURCE_DIR}/${os_all_source})
        os_locale_names(${os_all_source} ${os_all_charmap})
      endif()
    endif()
  endforeach()
endif()

add_custom_target(os_locale_names ALL DEPENDS ${os_outputs})
