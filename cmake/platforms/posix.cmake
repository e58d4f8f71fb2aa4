# Native build: the POSIX platform layer, the native choice provider, the
# command-line tools and the tests.

file(GLOB ORIELVMX_PLATFORM_SOURCES CONFIGURE_DEPENDS platform/posix/*.cpp chooser/posix/*.cpp)
add_library(orielvmx_platform STATIC ${ORIELVMX_PLATFORM_SOURCES})
target_include_directories(orielvmx_platform PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(orielvmx_core PUBLIC orielvmx_platform)
target_link_libraries(orielvmx_platform PUBLIC orielvmx_core)

if(ORIELVMX_TESTS)
  enable_testing()
  find_package(GTest REQUIRED)
  include(GoogleTest)
  file(GLOB_RECURSE ORIELVMX_TEST_SOURCES CONFIGURE_DEPENDS tests/native/*.cpp)
  add_executable(orielvmx_tests ${ORIELVMX_TEST_SOURCES})
  target_link_libraries(orielvmx_tests PRIVATE orielvmx_core orielvmx_platform GTest::gtest GTest::gtest_main)
  # Tests name only the fields of a choice or a file layout that matter to them.
  target_compile_options(orielvmx_tests PRIVATE -Wno-missing-field-initializers)
  target_compile_definitions(orielvmx_tests PRIVATE ORIELVMX_TEST_DATA_DIR="${CMAKE_BINARY_DIR}/test-data")
  gtest_discover_tests(orielvmx_tests DISCOVERY_TIMEOUT 60)
endif()

if(EXISTS ${CMAKE_SOURCE_DIR}/tools/CMakeLists.txt)
  add_subdirectory(tools)
endif()

option(ORIELVMX_BENCH "Build the benchmarks (use a Release build)" OFF)
if(ORIELVMX_BENCH)
  include(tests/bench/bench.cmake)
endif()

if(EXISTS ${CMAKE_SOURCE_DIR}/tests/fuzz/CMakeLists.txt)
  add_subdirectory(tests/fuzz)
endif()
