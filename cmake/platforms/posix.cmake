# Native build: the layers with the POSIX platform and the native choice
# provider, the command-line tools and the tests.

if(ORIELVMX_TESTS)
  enable_testing()
  find_package(GTest REQUIRED)
  include(GoogleTest)
  file(GLOB_RECURSE ORIELVMX_TEST_SOURCES CONFIGURE_DEPENDS tests/native/*.cpp)
  add_executable(orielvmx_tests ${ORIELVMX_TEST_SOURCES})
  target_link_libraries(orielvmx_tests PRIVATE orielvmx_host orielvmx_fill GTest::gtest GTest::gtest_main)
  # Tests name only the fields of a choice or a file layout that matter to them.
  target_compile_options(orielvmx_tests PRIVATE -Wno-missing-field-initializers)
  target_compile_definitions(orielvmx_tests PRIVATE ORIELVMX_TEST_DATA_DIR="${CMAKE_BINARY_DIR}/test-data"
    ORIELVMX_REGRESSION_DIR="${CMAKE_SOURCE_DIR}/tests/fuzz/regressions")
  gtest_discover_tests(orielvmx_tests DISCOVERY_TIMEOUT 60)
  # Includes point only downward; the second test shows the check can fail.
  add_test(NAME layering COMMAND bash ${CMAKE_SOURCE_DIR}/tools/check-layers.sh ${CMAKE_SOURCE_DIR})
  add_test(NAME layering-check-fails COMMAND bash ${CMAKE_SOURCE_DIR}/tests/layers/check_layers_test.sh)
endif()

add_subdirectory(tools)

option(ORIELVMX_BENCH "Build the benchmarks (use a Release build)" OFF)
if(ORIELVMX_BENCH)
  include(tests/bench/bench.cmake)
endif()

add_subdirectory(tests/fuzz)
