cmake_minimum_required(VERSION 3.25)
# Checks that no include climbs back up the library's layers:
#   cmake -DSOURCE=<project folder> -P check_layers.cmake
# Each folder of quorvel/ may include its own headers and those of the layers
# below it, never one above; the walk's own files include no rule-file
# header, so that the walk stays free of any engine.

# Lowest first; a folder may include the folders at or below its own rank.
set(layer_text 0)
set(layer_stream 0)
set(layer_platform 1)
set(layer_regex 2)
set(layer_filesystem 3)
set(layer_git 4)
set(layer_walk 5)
set(layer_runner 6)

# The layer of a path below quorvel/ ("filesystem/regex/x.h" is regex).
function(layer_of path out)
  if(path MATCHES "^filesystem/regex/")
    set(${out} regex PARENT_SCOPE)
  else()
    string(REGEX MATCH "^[a-z_]+" name "${path}")
    set(${out} ${name} PARENT_SCOPE)
  endif()
endfunction()

# The walk: the order of the tree, its listings and records, and the seam.
set(walk_files filesystem/finder.h filesystem/folder_entries.h filesystem/folder_entries.cpp
    filesystem/read_ahead.h filesystem/read_ahead.cpp filesystem/item.h filesystem/item.cpp
    filesystem/lean_item.h filesystem/lean_item.cpp filesystem/next_iterator.h filesystem/records.h filesystem/rule_engine.h)

file(GLOB_RECURSE sources RELATIVE ${SOURCE}/quorvel ${SOURCE}/quorvel/*.h ${SOURCE}/quorvel/*.cpp)
set(problems "")
foreach(source IN LISTS sources)
  layer_of(${source} from)
  file(STRINGS ${SOURCE}/quorvel/${source} lines REGEX "^#include \"quorvel/")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^#include \"quorvel/([^\"]+)\".*" "\\1" included "${line}")
    layer_of(${included} to)
    if(NOT DEFINED layer_${to})
      list(APPEND problems "${source}: includes ${included}, of no known layer")
    elseif(layer_${to} GREATER layer_${from})
      list(APPEND problems "${source} (${from}) includes ${included} (${to}), a layer above it")
    endif()
    if(source IN_LIST walk_files AND
       (included MATCHES "^filesystem/(gitignore|regex/)" OR included MATCHES "^git/"))
      list(APPEND problems "${source}, part of the walk, includes the rule file ${included}")
    endif()
  endforeach()
endforeach()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "includes that climb back up:\n  ${text}")
endif()
list(LENGTH sources count)
message(STATUS "${count} files, no include climbs back up")
