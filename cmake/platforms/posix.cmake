# Native build: the layers with the POSIX platform and the native choice
# provider, the command-line tools and the tests.

if(ORIELVMX_TESTS)
  enable_testing()
  find_package(GTest REQUIRED)
  include(GoogleTest)
  file(GLOB_RECURSE ORIELVMX_TEST_SOURCES CONFIGURE_DEPENDS tests/native/*.cpp)
  add_executable(orielvmx_tests ${ORIELVMX_TEST_SOURCES})
  target_link_libraries(orielvmx_tests PRIVATE orielvmx_host GTest::gtest GTest::gtest_main)
  # Tests name only the fields of a choice or a file layout that matter to them.
  target_compile_options(orielvmx_tests PRIVATE -Wno-missing-field-initializers)
  target_compile_definitions(orielvmx_tests PRIVATE ORIELVMX_TEST_DATA_DIR="${CMAKE_BINARY_DIR}/test-data"
    ORIELVMX_REGRESSION_DIR="${CMAKE_SOURCE_DIR}/tests/fuzz/regressions")
  gtest_discover_tests(orielvmx_tests DISCOVERY_TIMEOUT 60)
  # Includes point only downward; the second test shows the check can fail.
  add_test(NAME layering COMMAND bash ${CMAKE_SOURCE_DIR}/tools/check-layers.sh ${CMAKE_SOURCE_DIR})
  add_test(NAME layering-check-fails COMMAND bash ${CMAKE_SOURCE_DIR}/tests/layers/check_layers_test.sh)

  # The by-example fill's quality goals on small fills; the same script
  # without --small measures the 4096 x 4096 fills on record. Debian's own
  # python3, where python3-numpy installs.
  add_executable(stochastic_fill tests/quality/stochastic_fill_tool.cpp)
  target_link_libraries(stochastic_fill PRIVATE orielvmx_fill texfill_lib)
  # Which texel each pixel of a quilted fill comes from, for its quality script.
  add_executable(shape_source tests/quality/shape_source_tool.cpp)
  target_link_libraries(shape_source PRIVATE orielvmx_fill texfill_lib)
  find_program(ORIELVMX_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
  add_test(NAME stochastic-quality
    COMMAND ${ORIELVMX_SYSTEM_PYTHON} ${CMAKE_SOURCE_DIR}/tests/quality/stochastic_quality.py --small
      --tool $<TARGET_FILE:stochastic_fill> --texfill $<TARGET_FILE:texfill> --work ${CMAKE_BINARY_DIR}/quality)
  # The quilted fill's quality goals, on the fills of record (1024 x 1024).
  add_test(NAME shape-quality
    COMMAND ${ORIELVMX_SYSTEM_PYTHON} ${CMAKE_SOURCE_DIR}/tests/quality/shape_quality.py
      --texfill $<TARGET_FILE:texfill> --tool $<TARGET_FILE:shape_source> --work ${CMAKE_BINARY_DIR}/shape-quality)
  # About a minute on two quiet cores; a machine shared with other builds
  # has taken four times that.
  set_tests_properties(shape-quality PROPERTIES TIMEOUT 900)
endif()

# The GEGL operations for GIMP, where GEGL's development files are: the
# layers they use are then built position-independent for the module. Not
# in the sanitizer builds: a module built with the sanitizers cannot be
# loaded by a gegl that was built without them.
find_package(PkgConfig)
if(PkgConfig_FOUND AND NOT ORIELVMX_SANITIZE)
  # gegl-0.4 brings babl's flags with it (babl's own file is "babl" in
  # Debian 12 and "babl-0.1" in Debian 13).
  pkg_check_modules(ORIELVMX_GEGL IMPORTED_TARGET gegl-0.4)
endif()
if(ORIELVMX_GEGL_FOUND)
  # GEGL's module folder below its prefix (lib/<triplet>/gegl-0.4 on Debian),
  # so that an install under another prefix stays under it.
  pkg_get_variable(ORIELVMX_GEGL_PREFIX gegl-0.4 prefix)
  pkg_get_variable(ORIELVMX_GEGL_PLUGINS gegl-0.4 pluginsdir)
  file(RELATIVE_PATH ORIELVMX_GEGL_MODULE_DIR ${ORIELVMX_GEGL_PREFIX} ${ORIELVMX_GEGL_PLUGINS})
  set_target_properties(orielvmx_platform orielvmx_resample orielvmx_texture orielvmx_seamless orielvmx_fill
    PROPERTIES POSITION_INDEPENDENT_CODE ON)
  add_subdirectory(gegl)
endif()

# Before the tools: texfill's packaging makes the module's package beside its own.
add_subdirectory(tools)


option(ORIELVMX_BENCH "Build the benchmarks (use a Release build)" OFF)
if(ORIELVMX_BENCH)
  include(tests/bench/bench.cmake)
endif()

add_subdirectory(tests/fuzz)
