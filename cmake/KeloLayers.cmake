# The folders of the engine and of the application form layers: a folder's code may
# include headers only from the folders of the libraries it links (directly or through
# them), so that dependencies run one way. kelo_check_layers() refuses a cycle among the
# folder libraries at configure time, and fails the build, as its test fails, on any
# include of a folder above (or beside) the one including it.

# Registers a library declared with add_library() as its folder's layer; folder
# libraries (kelo_folder_library) are registered as they are made. Its layer reads what
# the library links, so call this after target_link_libraries().
function(kelo_layer_library lib)
  cmake_parse_arguments(ARG "" "" "TEST_DEPS" ${ARGN})
  get_target_property(type ${lib} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    get_target_property(deps ${lib} INTERFACE_LINK_LIBRARIES)
  else()
    get_target_property(deps ${lib} LINK_LIBRARIES)
  endif()
  if(NOT deps)
    set(deps)
  endif()
  set_property(GLOBAL APPEND PROPERTY KELO_FOLDER_LIBRARIES ${lib})
  set_target_properties(${lib} PROPERTIES
    KELO_FOLDER ${CMAKE_CURRENT_SOURCE_DIR}
    KELO_DEPS "${deps}"
    KELO_TEST_DEPS "${ARG_TEST_DEPS}")
endfunction()

# The folder libraries reached from `libs` through KELO_DEPS, in `out`.
function(_kelo_layer_closure libs out)
  set(seen)
  set(todo ${libs})
  while(todo)
    list(POP_FRONT todo lib)
    if(NOT TARGET ${lib} OR lib IN_LIST seen)
      continue()
    endif()
    get_target_property(folder ${lib} KELO_FOLDER)
    if(NOT folder)
      continue()
    endif()
    list(APPEND seen ${lib})
    get_target_property(deps ${lib} KELO_DEPS)
    if(deps)
      list(APPEND todo ${deps})
    endif()
  endwhile()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

function(_kelo_folder_names libs out)
  set(names)
  foreach(lib IN LISTS libs)
    get_target_property(folder ${lib} KELO_FOLDER)
    get_filename_component(name ${folder} NAME)
    list(APPEND names ${name})
  endforeach()
  set(${out} ${names} PARENT_SCOPE)
endfunction()

# Checks every registered folder library under `root`. Includes name a folder by its
# last component ("model/workspace.h"), so two layered folders may not share one.
function(kelo_check_layers root)
  get_property(libs GLOBAL PROPERTY KELO_FOLDER_LIBRARIES)
  set(table "")
  set(folders)
  set(files)
  foreach(lib IN LISTS libs)
    get_target_property(folder ${lib} KELO_FOLDER)
    cmake_path(IS_PREFIX root "${folder}" NORMALIZE under_root)
    if(NOT under_root)
      continue()
    endif()
    get_filename_component(name ${folder} NAME)
    if(name IN_LIST folders)
      message(FATAL_ERROR "Two layered folders are named ${name}; includes could not tell them apart")
    endif()
    list(APPEND folders ${name})
    get_target_property(deps ${lib} KELO_DEPS)
    get_target_property(test_deps ${lib} KELO_TEST_DEPS)
    if(NOT deps)
      set(deps)
    endif()
    if(NOT test_deps)
      set(test_deps)
    endif()
    _kelo_layer_closure("${deps}" below)
    if(lib IN_LIST below)
      message(FATAL_ERROR "${lib} depends on itself through its libraries: ${below}")
    endif()
    _kelo_layer_closure("${deps};${test_deps}" below_tests)
    _kelo_folder_names("${below}" allowed)
    _kelo_folder_names("${below_tests}" allowed_tests)
    file(RELATIVE_PATH where ${root} ${folder})
    string(APPEND table "set(KELO_LAYER_PATH_${name} ${where})\n")
    string(APPEND table "set(KELO_LAYER_${name} ${allowed})\n")
    string(APPEND table "set(KELO_LAYER_TESTS_${name} ${allowed_tests})\n")
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${folder}/*.h ${folder}/*.cpp ${folder}/*.inc)
    list(APPEND files ${sources})
  endforeach()
  string(APPEND table "set(KELO_LAYER_FOLDERS ${folders})\n")
  set(table_file ${CMAKE_BINARY_DIR}/layers.cmake)
  file(CONFIGURE OUTPUT ${table_file} CONTENT "${table}")
  set(check ${CMAKE_COMMAND} -DKELO_LAYERS=${table_file} -DKELO_ROOT=${root}
            -P ${PROJECT_SOURCE_DIR}/cmake/check_layers.cmake)
  set(stamp ${CMAKE_BINARY_DIR}/layers.stamp)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${check}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${files} ${table_file} ${PROJECT_SOURCE_DIR}/cmake/check_layers.cmake
    COMMENT "Checking that includes point down the layers"
    VERBATIM)
  add_custom_target(layers ALL DEPENDS ${stamp})
  add_test(NAME Layers.IncludesPointDown COMMAND ${check})
  set_tests_properties(Layers.IncludesPointDown PROPERTIES LABELS engine)
endfunction()
