# cmake -DSOURCE_DIR=<tree> -P CheckLayering.cmake
# Fails when a source folder includes a header from a folder above it. The layers, lowest
# first: platform; then ini, compare and valuelist; platform/ui (widgets) beside them, above
# platform only; res and grid; view and dialogs; app, with cli beside it over the non-widget
# libraries. The tree is scanned as it is when the test runs, so a folder that arrives later
# is checked from its first file; a folder with C++ sources and no layer fails the test, so
# that it is given one here.
cmake_minimum_required(VERSION 3.25)
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "CheckLayering: SOURCE_DIR is not set")
endif()

set(core platform ini compare valuelist)
set(widgets ${core} platform/ui res grid)
set(allowed_platform platform)
set(allowed_ini ${core})
set(allowed_compare ${core})
set(allowed_valuelist ${core})
set(allowed_platform/ui platform platform/ui)
set(allowed_res ${widgets})
set(allowed_grid ${widgets})
set(allowed_view ${widgets} view dialogs)
set(allowed_dialogs ${widgets} view dialogs)
set(allowed_app ${widgets} view dialogs app)
set(allowed_cli ${core} cli)
set(layered platform/ui platform ini compare valuelist res grid view dialogs app cli)
# Folders that are no layer: they may use every library.
set(unlayered tests bench examples cmake scripts)

# The layered folder a path (relative to SOURCE_DIR) belongs to; empty for none.
function(folder_of path out)
  set(result "")
  foreach(folder IN LISTS layered)
    if(path MATCHES "^${folder}/")
      set(result ${folder})
      break() # platform/ui is listed before platform, so the deeper folder wins
    endif()
  endforeach()
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
set(violations "")
set(unplaced "")
foreach(source IN LISTS sources)
  string(REGEX MATCH "^[^/]+" top "${source}")
  if(top MATCHES "^\\." OR top IN_LIST unlayered OR source STREQUAL top)
    continue()
  endif()
  # Build trees inside the source tree hold generated sources: not ours to check.
  if(EXISTS ${SOURCE_DIR}/${top}/CMakeCache.txt)
    continue()
  endif()
  folder_of("${source}" folder)
  if(NOT folder)
    list(APPEND unplaced "${top}")
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*$" "\\1" header "${line}")
    folder_of("${header}" target)
    if(target AND NOT target IN_LIST allowed_${folder})
      string(APPEND violations "  ${source} includes ${header} (${folder} may not use ${target})\n")
    endif()
  endforeach()
endforeach()

list(REMOVE_DUPLICATES unplaced)
foreach(top IN LISTS unplaced)
  string(APPEND violations "  ${top}/ holds C++ sources but has no layer in CheckLayering.cmake\n")
endforeach()
if(violations)
  message(FATAL_ERROR "Includes against the layering:\n${violations}")
endif()
list(LENGTH sources count)
message(STATUS "Layering: ${count} files, every include goes down or sideways")
