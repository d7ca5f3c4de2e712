add_executable(bench_tracelog ${CMAKE_CURRENT_LIST_DIR}/bench_tracelog.cpp)
target_link_libraries(bench_tracelog PRIVATE zelor_serial benchmark::benchmark)
