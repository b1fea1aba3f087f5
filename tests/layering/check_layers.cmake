# Checks that no folder includes one above it.
#
#   cmake -DSOURCE_DIR=<src> -DLAYERS="base|formfile|...|filelist grid|session" -P check_layers.cmake
#
# A folder of src/core may include its own folder and those of the layers below (folders in one
# layer, separated by blanks, do not see each other); no core file includes a front end or a Qt
# header; the command line and the GUI do not include each other. With -DSELF_CHECK=ON the check
# runs over wrong_tree/ beside this script, where it must find exactly the wrong includes planted
# there.
cmake_minimum_required(VERSION 3.25)

string(REPLACE "|" ";" layers "${LAYERS}")
set(rank 0)
foreach(layer IN LISTS layers)
  string(REPLACE " " ";" folders "${layer}")
  foreach(folder IN LISTS folders)
    set(rank_${folder} ${rank})
  endforeach()
  math(EXPR rank "${rank} + 1")
endforeach()

# Appends "<file>: <what>" to the variable `out` for every wrong include below `root`.
function(check_tree root out)
  set(found "")
  file(GLOB_RECURSE sources RELATIVE ${root} ${root}/*.h ${root}/*.cpp)
  foreach(source IN LISTS sources)
    string(REPLACE "/" ";" parts "${source}")
    list(GET parts 0 top)
    set(folder "")
    if(top STREQUAL "core")
      list(GET parts 1 folder)
      if(NOT DEFINED rank_${folder})
        list(APPEND found "${source}: core/${folder} is in no layer")
        continue()
      endif()
    endif()
    file(STRINGS ${root}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*$" "\\1" header "${line}")
      set(wrong "")
      if(top STREQUAL "core")
        if(header MATCHES "^core/([^/]+)/")
          set(other ${CMAKE_MATCH_1})
          if(NOT other STREQUAL folder AND (NOT DEFINED rank_${other} OR NOT rank_${other} LESS rank_${folder}))
            set(wrong "includes ${header} from a folder that is not below core/${folder}")
          endif()
        elseif(header MATCHES "^(cli|gui)/")
          set(wrong "includes the front end's ${header}")
        elseif(header MATCHES "^Q[A-Za-z]")
          set(wrong "includes the Qt header ${header}")
        endif()
      elseif(top STREQUAL "cli" AND header MATCHES "^gui/")
        set(wrong "includes the window's ${header}")
      elseif(top STREQUAL "gui" AND header MATCHES "^cli/")
        set(wrong "includes the command line's ${header}")
      endif()
      if(wrong)
        list(APPEND found "${source}: ${wrong}")
      endif()
    endforeach()
  endforeach()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

if(SELF_CHECK)
  check_tree(${CMAKE_CURRENT_LIST_DIR}/wrong_tree/src found)
  set(expected
    "cli/gui_include.cpp: includes the window's gui/main_window.h"
    "core/base/qt_include.h: includes the Qt header QString"
    "core/grid/peer_include.h: includes core/filelist/file_list_model.h from a folder that is not below core/grid"
    "core/store/upward_include.h: includes core/session/session.h from a folder that is not below core/store")
  list(SORT found)
  if(NOT found STREQUAL expected)
    string(REPLACE ";" "\n  " found "${found}")
    message(FATAL_ERROR "the layering check did not find exactly the planted wrong includes; it found:\n  ${found}")
  endif()
  message(STATUS "the layering check finds every planted wrong include")
else()
  check_tree(${SOURCE_DIR} found)
  if(found)
    string(REPLACE ";" "\n  " found "${found}")
    message(FATAL_ERROR "includes against the folder order:\n  ${found}")
  endif()
  message(STATUS "every include follows the folder order")
endif()
