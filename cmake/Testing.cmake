# Test helpers: every test is a GoogleTest executable registered with CTest.
enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)

# sto_add_test(NAME [OWN_MAIN] [SERIAL] SOURCES src... LIBS lib...): OWN_MAIN for
# tests that bring their own main (those of the dialog start the toolkit first);
# SERIAL for tests that no other test may run beside (real keys and clicks go to
# whichever window of the shared display has the focus).
function(sto_add_test name)
  cmake_parse_arguments(T "OWN_MAIN;SERIAL" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock)
  if(NOT T_OWN_MAIN)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  set(serial "")
  if(T_SERIAL)
    set(serial RUN_SERIAL TRUE)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "STO_BUILD_DIR=${CMAKE_BINARY_DIR}" ${serial})
endfunction()

# sto_add_freetds_tests(NAME [SERIAL] [FILTER expr]): registers the tests of
# NAME (added by sto_add_test) a second time, named freetds.<test> and run
# with STO_TEST_FREETDS=1: through FreeTDS's ODBC driver (tdsodbc) to
# embsqld instead of in the test's own process. FILTER (a --gtest_filter
# expression) keeps to the tests that mean something through the network.
function(sto_add_freetds_tests name)
  cmake_parse_arguments(T "SERIAL" "FILTER" "" ${ARGN})
  set(filter "")
  if(T_FILTER)
    set(filter TEST_FILTER ${T_FILTER})
  endif()
  set(serial "")
  if(T_SERIAL)
    set(serial RUN_SERIAL TRUE)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_PREFIX freetds. ${filter}
                       PROPERTIES ENVIRONMENT "STO_BUILD_DIR=${CMAKE_BINARY_DIR}"
                       ENVIRONMENT_MODIFICATION "STO_TEST_FREETDS=set:1" ${serial})
endfunction()

# Adds every sub-folder of the current folder that has a CMakeLists.txt.
function(sto_add_subfolders)
  file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# sto_add_bench(NAME SOURCES src... LIBS lib...): a benchmark that prints its figures.
function(sto_add_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()
