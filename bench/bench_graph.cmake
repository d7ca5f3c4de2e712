# Repaint of the graph against a bare polyline of the same points.
add_executable(bench_graph ${CMAKE_CURRENT_LIST_DIR}/bench_graph.cpp)
target_link_libraries(bench_graph PRIVATE zelor_graph Qt6::Gui benchmark::benchmark)
