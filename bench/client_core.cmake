# The client session under the server's progress ticks: applying them, and a tick's way
# from the server's socket to the state on the GUI thread.
if(QUILLA_BUILD_TESTS)
  add_executable(client_core_bench ${CMAKE_CURRENT_LIST_DIR}/client/client_core_bench.cpp)
  target_link_libraries(client_core_bench PRIVATE quilla_client_core benchmark::benchmark)
  target_include_directories(client_core_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
endif()
