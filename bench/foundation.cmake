# Conversion engine benchmarks: pictaf-convert end to end (speed and peak
# memory), and the GIF coder alone against giflib's encoder.
if(NOT benchmark_FOUND)
  message(STATUS "Google Benchmark not found: skipping the engine benchmarks")
  return()
endif()

add_library(bench_foundation_pictures STATIC ${CMAKE_CURRENT_LIST_DIR}/foundation/BenchPictures.cpp)
target_include_directories(bench_foundation_pictures PUBLIC ${CMAKE_CURRENT_LIST_DIR}/foundation)
target_link_libraries(bench_foundation_pictures PUBLIC Qt6::Gui)

add_executable(bench_gif_encoder ${CMAKE_CURRENT_LIST_DIR}/foundation/GifEncoderBench.cpp)
target_link_libraries(bench_gif_encoder PRIVATE bench_foundation_pictures pictaf_engine gif benchmark::benchmark)

add_executable(bench_convert ${CMAKE_CURRENT_LIST_DIR}/foundation/ConvertBench.cpp)
target_link_libraries(bench_convert PRIVATE bench_foundation_pictures)
target_compile_definitions(bench_convert PRIVATE PICTAF_CONVERT="$<TARGET_FILE:pictaf-convert>")
add_dependencies(bench_convert pictaf-convert)

add_executable(bench_engine ${CMAKE_CURRENT_LIST_DIR}/foundation/EngineBench.cpp)
target_link_libraries(bench_engine PRIVATE bench_foundation_pictures pictaf_engine benchmark::benchmark)
