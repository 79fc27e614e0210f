# Metafile playback benchmark: every corpus file played at its natural size
# and at 1000 pixels wide; prints the median and slowest time per file.
#   bench_metafile [REPETITIONS] [FILTER]
add_executable(bench_metafile ${CMAKE_CURRENT_LIST_DIR}/metafile/MetafileBench.cpp
                              ${PROJECT_SOURCE_DIR}/tests/metafile/CorpusRender.cpp)
target_include_directories(bench_metafile PRIVATE ${PROJECT_SOURCE_DIR}/tests/metafile)
target_compile_definitions(bench_metafile PRIVATE VELNORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
target_link_libraries(bench_metafile PRIVATE pictaf_engine velnora_platform Qt6::Gui)
