# Helpers shared by the folders' CMakeLists.

# evenhue_test(NAME SOURCES... LIBS ... LABELS label): a GoogleTest program registered with CTest.
# One label per program: the discovered tests take the LABELS value as one word.
function(evenhue_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  if(CMAKE_CROSSCOMPILING)
    # Under Wine each process start costs time and goes through Wine's own
    # start-up: one CTest entry per program, whose GoogleTest output names each
    # failed case, run in the build's prefix (the wine_prefix fixture).
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}" FIXTURES_REQUIRED wine_prefix)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# evenhue_add_subdirectories(): adds every folder below the current one that has
# a CMakeLists.txt, in name order.
function(evenhue_add_subdirectories)
  file(GLOB dirs LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT dirs)
  foreach(dir IN LISTS dirs)
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${dir} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()

# evenhue_command_test(NAME SOURCES... LABELS label): a test program that runs
# the built `evenhue` command and the plug-in file, with the command tests'
# helpers (tests/cli/cli_support.*) and the engine linked in.
function(evenhue_command_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LABELS" ${ARGN})
  find_package(PNG REQUIRED)
  evenhue_test(${name}
    SOURCES ${PROJECT_SOURCE_DIR}/tests/cli/cli_support.cpp ${T_SOURCES}
    LIBS evenhue_engine evenhue_test_command evenhue_host evenhue_core pugixml::pugixml nlohmann_json::nlohmann_json
         PNG::PNG Evenhue::lcms2
    LABELS ${T_LABELS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE
    EVENHUE_COMMAND="$<TARGET_FILE:evenhue>"
    EVENHUE_PLUGIN_FILE="$<TARGET_FILE:Evenhue>"
    EVENHUE_EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples"
    EVENHUE_VERSION_TEXT="${PROJECT_VERSION}")
  add_dependencies(${name} evenhue Evenhue)
endfunction()
