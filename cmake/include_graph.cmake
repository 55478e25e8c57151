# Fails when a product source includes a header across the folder graph the
# design allows; run by the test suite as
#   cmake -DSOURCE_DIR=<repository> -P cmake/include_graph.cmake
# Inside the locale library a folder includes only folders below it; the
# library includes nothing outside gls/; the client folders include one
# another and the library; the checker and the tools sit on top.
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR is not set")
endif()

set(gls_all gls/errors gls/host gls/util gls/names gls/tree gls/ext gls/load gls/chars gls/conv
            gls/format)
set(client env msg os_layer locale_env)

# What each folder may include besides itself.
set(allow_gls/errors "")
set(allow_gls/host gls/errors)
set(allow_gls/util gls/errors gls/host)
set(allow_gls/names ${allow_gls/util} gls/util)
set(allow_gls/tree ${allow_gls/names})
# The extension hook works on the locale object that the loader fills.
set(allow_gls/ext ${allow_gls/names} gls/load)
set(allow_gls/load ${allow_gls/names} gls/names gls/tree gls/ext)
# The loader installs the character primitives into the locale object.
list(APPEND allow_gls/load gls/chars)
set(allow_gls/chars ${allow_gls/load} gls/load)
list(REMOVE_ITEM allow_gls/chars gls/chars)
set(allow_gls/conv ${allow_gls/chars} gls/chars)
set(allow_gls/format ${allow_gls/conv})
foreach(folder IN LISTS client)
  set(allow_${folder} ${gls_all} ${client})
endforeach()
set(allow_checker ${gls_all} ${client})
set(allow_tools/common ${gls_all} ${client})
foreach(tool msgcomp lccomp cvcomp gltool)
  set(allow_tools/${tool} ${gls_all} ${client} tools/common)
endforeach()

# The folder a repository path belongs to: gls/<concern>, tools/<tool>, or
# its top-level folder.
function(folder_of path out)
  if(path MATCHES "^(gls|tools)/([^/]+)/")
    set(${out} "${CMAKE_MATCH_1}/${CMAKE_MATCH_2}" PARENT_SCOPE)
  elseif(path MATCHES "^([^/]+)/")
    set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  else()
    set(${out} "" PARENT_SCOPE)
  endif()
endfunction()

set(roots gls env msg os_layer locale_env checker tools)
set(sources "")
foreach(root IN LISTS roots)
  file(GLOB_RECURSE found RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${root}/*.cpp
       ${SOURCE_DIR}/${root}/*.h)
  list(APPEND sources ${found})
endforeach()
list(SORT sources)

set(crossings 0)
foreach(source IN LISTS sources)
  folder_of(${source} from)
  if(NOT DEFINED allow_${from})
    message(SEND_ERROR "${source}: folder ${from} has no place in the include graph")
    math(EXPR crossings "${crossings} + 1")
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" header "${line}")
    folder_of(${header} to)
    if(to STREQUAL from)
      continue()
    endif()
    list(FIND allow_${from} "${to}" allowed)
    if(allowed LESS 0)
      message(SEND_ERROR "${source}: #include \"${header}\": ${from} may not include ${to}")
      math(EXPR crossings "${crossings} + 1")
    endif()
  endforeach()
endforeach()

list(LENGTH sources count)
if(crossings GREATER 0)
  message(FATAL_ERROR "${crossings} include(s) cross the folder graph")
endif()
message(STATUS "${count} sources keep to the folder graph")
