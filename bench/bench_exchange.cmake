# CPU cost of a synchronous exchange waiting for an instrument that never
# answers, against the same wait spent asleep.
add_executable(bench_exchange ${CMAKE_CURRENT_LIST_DIR}/bench_exchange.cpp)
target_link_libraries(bench_exchange PRIVATE zelor_protocole)
