# The Export for Web window as the user meets it: time from a change of the
# banner to the window showing the new report (median and slowest over N
# changes), and the longest stall of the UI thread meanwhile.
#   bench_web_window [CHANGES]
add_executable(bench_web_window ${CMAKE_CURRENT_LIST_DIR}/webwindow/WebWindowBench.cpp)
target_link_libraries(bench_web_window PRIVATE velnora_editor)
