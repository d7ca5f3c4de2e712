# Line fidelity of the instrument simulator: a paced exchange must take the
# time the bytes need on a 9600-baud line, and no more.
add_executable(bench_simulateur ${CMAKE_CURRENT_LIST_DIR}/bench_simulateur.cpp)
target_link_libraries(bench_simulateur PRIVATE zelor_sim_core benchmark::benchmark)
