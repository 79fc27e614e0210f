# Web export analysis: time of one analysis of a 468 x 60 banner with text
# (median and slowest over N runs), and how the UI thread fares while a big
# banner is analysed in the background.
#   bench_web_export [RUNS]
add_executable(bench_web_export ${CMAKE_CURRENT_LIST_DIR}/web/WebExportBench.cpp)
target_link_libraries(bench_web_export PRIVATE velnora_web)
