# Benchmarks: the fill through the entry point, the resampler, the memcpy-run
# baseline, the by-example fill and its oracle, finding a material in a large
# folder (orielvmx_bench); the peers stb_image_resize and libvips
# (orielvmx_bench_peers); single operations for callgrind and the heap
# watermark (orielvmx_bench_once). Meant for a Release build:
#   cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DORIELVMX_BENCH=ON
# tests/bench/run_bench.sh does that, runs everything and prints the ratios.

find_package(benchmark REQUIRED)
find_package(GTest REQUIRED)  # the fixture writers report through it
find_package(PkgConfig REQUIRED)
pkg_check_modules(ORIELVMX_VIPS REQUIRED IMPORTED_TARGET vips)
pkg_check_modules(ORIELVMX_STB REQUIRED IMPORTED_TARGET stb)

set(ORIELVMX_BENCH_SUPPORT
  ${CMAKE_SOURCE_DIR}/tests/bench/bench_textures.cpp
  ${CMAKE_SOURCE_DIR}/tests/native/support/simulated_host.cpp
  ${CMAKE_SOURCE_DIR}/tests/native/support/texture_fixtures.cpp)

add_executable(orielvmx_bench
  ${CMAKE_SOURCE_DIR}/tests/bench/fill_bench.cpp
  ${CMAKE_SOURCE_DIR}/tests/bench/resample_bench.cpp
  ${CMAKE_SOURCE_DIR}/tests/bench/transform_bench.cpp
  ${CMAKE_SOURCE_DIR}/tests/bench/stochastic_bench.cpp
  ${CMAKE_SOURCE_DIR}/tests/bench/shape_bench.cpp
  ${CMAKE_SOURCE_DIR}/tests/bench/material_bench.cpp
  ${CMAKE_SOURCE_DIR}/tests/native/fill/stochastic_oracle.cpp
  ${ORIELVMX_BENCH_SUPPORT})
target_include_directories(orielvmx_bench PRIVATE ${CMAKE_SOURCE_DIR})
# texfill_lib draws the sample textures the by-example fill is measured on.
target_link_libraries(orielvmx_bench PRIVATE orielvmx_hostdriver orielvmx_host orielvmx_fill texfill_lib
  GTest::gtest benchmark::benchmark_main)

add_executable(orielvmx_bench_peers ${CMAKE_SOURCE_DIR}/tests/bench/peers_bench.cpp)
target_include_directories(orielvmx_bench_peers PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(orielvmx_bench_peers PRIVATE PkgConfig::ORIELVMX_VIPS PkgConfig::ORIELVMX_STB
  benchmark::benchmark)

add_executable(orielvmx_bench_once
  ${CMAKE_SOURCE_DIR}/tests/bench/once_main.cpp
  ${ORIELVMX_BENCH_SUPPORT})
target_include_directories(orielvmx_bench_once PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(orielvmx_bench_once PRIVATE orielvmx_hostdriver orielvmx_host GTest::gtest)
