# kelo_add_test(<name> LABEL <engine|app|e2e> SOURCES <files...> LIBS <targets...>)
# One GoogleTest executable; every case becomes a CTest test carrying LABEL,
# so the sanitizer build can run just the engine's tests with `ctest -L engine`.
function(kelo_add_test name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_LABEL)
    set(ARG_LABEL engine)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name}
    PROPERTIES LABELS ${ARG_LABEL} ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    DISCOVERY_TIMEOUT 60)
endfunction()

# kelo_folder_library(<name> LABEL <label> DEPS <targets...> [TEST_DEPS <targets...>])
# Every non-test .cpp of the calling folder goes into library <name> (an INTERFACE
# library while the folder has only headers); every <x>_test.cpp becomes its own test
# executable <name>_<x>_test, so one unfinished test never blocks the others.
# Headers are included by folder: "core/lexer.h", "vm/bytecode.h".
function(kelo_folder_library name)
  cmake_parse_arguments(ARG "" "LABEL;INCLUDE_ROOT" "DEPS;TEST_DEPS" ${ARGN})
  if(NOT ARG_LABEL)
    set(ARG_LABEL engine)
  endif()
  if(NOT ARG_INCLUDE_ROOT)
    get_filename_component(ARG_INCLUDE_ROOT ${CMAKE_CURRENT_SOURCE_DIR} DIRECTORY)
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(tests)
    list(REMOVE_ITEM sources ${tests})
  endif()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${ARG_INCLUDE_ROOT})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${ARG_INCLUDE_ROOT})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
  # For the layer check (KeloLayers.cmake): which folder the library is and what it uses.
  set_property(GLOBAL APPEND PROPERTY KELO_FOLDER_LIBRARIES ${name})
  set_target_properties(${name} PROPERTIES
    KELO_FOLDER ${CMAKE_CURRENT_SOURCE_DIR}
    KELO_DEPS "${ARG_DEPS}"
    KELO_TEST_DEPS "${ARG_TEST_DEPS}")
  foreach(test IN LISTS tests)
    get_filename_component(stem ${test} NAME_WE)
    kelo_add_test(${name}_${stem} LABEL ${ARG_LABEL} SOURCES ${test} LIBS ${name} ${ARG_TEST_DEPS})
  endforeach()
endfunction()
