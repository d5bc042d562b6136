# Every test process runs offscreen, without the desktop's Qt theme or style plugin, and
# sees only the fonts scripts/deps.sh installs: the tests pin text metrics, which other
# fonts (or a desktop's choice of them) would move. The application keeps the desktop's.
set(KELO_TEST_FONTCONFIG ${CMAKE_BINARY_DIR}/test-fonts/fonts.conf)
set(KELO_TEST_FONT_CACHE ${CMAKE_BINARY_DIR}/test-fonts/cache)
configure_file(${CMAKE_CURRENT_LIST_DIR}/test_fonts.conf.in ${KELO_TEST_FONTCONFIG} @ONLY)

# The environment of a test on Qt platform <platform>, as ENVIRONMENT and
# ENVIRONMENT_MODIFICATION values.
function(_kelo_test_environment platform environment modification)
  set(${environment} "QT_QPA_PLATFORM=${platform};FONTCONFIG_FILE=${KELO_TEST_FONTCONFIG}"
      PARENT_SCOPE)
  set(${modification} "QT_QPA_PLATFORMTHEME=unset:;QT_STYLE_OVERRIDE=unset:" PARENT_SCOPE)
endfunction()

# kelo_set_test_environment(TESTS <names...> [PLATFORM <qpa>] [ENVIRONMENT <VAR=value...>])
# The tests' environment for a test registered by add_test; PLATFORM defaults to offscreen.
function(kelo_set_test_environment)
  cmake_parse_arguments(ARG "" "PLATFORM" "TESTS;ENVIRONMENT" ${ARGN})
  if(NOT ARG_PLATFORM)
    set(ARG_PLATFORM offscreen)
  endif()
  _kelo_test_environment(${ARG_PLATFORM} environment modification)
  set_tests_properties(${ARG_TESTS} PROPERTIES
    ENVIRONMENT "${environment};${ARG_ENVIRONMENT}"
    ENVIRONMENT_MODIFICATION "${modification}")
endfunction()

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
    TEST_LIST ${name}_TESTS
    PROPERTIES LABELS ${ARG_LABEL}
    DISCOVERY_TIMEOUT 60)
  # The cases are known only once discovery has run, and a list value would not survive
  # gtest_discover_tests' PROPERTIES: CTest sets the environment after reading the list.
  _kelo_test_environment(offscreen environment modification)
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${name}_environment.cmake)
  file(CONFIGURE OUTPUT ${script} CONTENT "if(${name}_TESTS)
  set_tests_properties(\${${name}_TESTS} PROPERTIES
    ENVIRONMENT [==[${environment}]==]
    ENVIRONMENT_MODIFICATION [==[${modification}]==])
endif()
" @ONLY)
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
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
