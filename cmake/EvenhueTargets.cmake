# Helpers shared by the folders' CMakeLists.

# evenhue_test(NAME SOURCES... LIBS ... LABELS label): a GoogleTest program registered with CTest.
# One label per program: the discovered tests take the LABELS value as one word.
function(evenhue_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 PROPERTIES LABELS "${T_LABELS}")
endfunction()
