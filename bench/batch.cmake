# pictaf-convert on a folder of banner-sized pictures: one batch command
# against a loop of single runs and ImageMagick's mogrify.
add_executable(bench_convert_batch ${CMAKE_CURRENT_LIST_DIR}/batch/BatchBench.cpp)
target_link_libraries(bench_convert_batch PRIVATE bench_foundation_pictures Qt6::Gui)
target_compile_definitions(bench_convert_batch PRIVATE PICTAF_CONVERT="$<TARGET_FILE:pictaf-convert>")
add_dependencies(bench_convert_batch pictaf-convert)
