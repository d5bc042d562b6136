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
