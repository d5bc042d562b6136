# Run by the build and by the Layers test: every `#include "<folder>/..."` of a layered
# folder must name the folder itself or one that its library links (KELO_LAYERS, written
# at configure time). Tests and their support headers may also include what their
# TEST_DEPS link.
cmake_minimum_required(VERSION 3.25)
include(${KELO_LAYERS})
set(problems "")
foreach(folder IN LISTS KELO_LAYER_FOLDERS)
  set(where ${KELO_LAYER_PATH_${folder}})
  file(GLOB_RECURSE files ${KELO_ROOT}/${where}/*.h ${KELO_ROOT}/${where}/*.cpp
       ${KELO_ROOT}/${where}/*.inc)
  foreach(path IN LISTS files)
    if(path MATCHES "_test\\.cpp$|_test_[a-z_]+\\.h$")
      set(allowed ${folder} ${KELO_LAYER_TESTS_${folder}})
    else()
      set(allowed ${folder} ${KELO_LAYER_${folder}})
    endif()
    file(STRINGS ${path} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z_]+/")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([a-z_]+)/([^\"]*)\".*" "\\1;\\2" parts
             "${line}")
      list(GET parts 0 used)
      list(GET parts 1 header)
      if(used IN_LIST KELO_LAYER_FOLDERS AND NOT used IN_LIST allowed)
        file(RELATIVE_PATH shown ${KELO_ROOT} ${path})
        list(JOIN allowed ", " may)
        string(APPEND problems "  ${shown} includes ${used}/${header}; ${folder} may include only: ${may}\n")
      endif()
    endforeach()
  endforeach()
endforeach()
if(problems)
  message(FATAL_ERROR "Includes that point up or sideways between the layered folders:\n"
                      "${problems}")
endif()
list(LENGTH KELO_LAYER_FOLDERS count)
message(STATUS "The includes of ${count} layered folders point down only.")
