find_package(Qt6 REQUIRED COMPONENTS SerialPort)
add_executable(bench_dispatch ${CMAKE_CURRENT_LIST_DIR}/bench_dispatch.cpp)
target_link_libraries(bench_dispatch PRIVATE zelor_serial Qt6::Core Qt6::SerialPort)
