# A whole adaptive scan through the program's own stack (main window, port,
# protocol, scan procedure) against the simulator on a paced 9600-baud line.
if(TARGET zelor_app)
  add_executable(bench_scan ${CMAKE_CURRENT_LIST_DIR}/bench_scan.cpp)
  target_link_libraries(bench_scan PRIVATE zelor_app zelor_sim_core)
endif()
