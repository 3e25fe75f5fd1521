# The server's broadcast paths over loopback, against plain Asio baselines.
if(QUILLA_BUILD_TESTS)
  add_executable(server_benchmarks ${CMAKE_CURRENT_LIST_DIR}/server/server_benchmarks.cpp)
  target_link_libraries(server_benchmarks PRIVATE quilla_server_core benchmark::benchmark)
  target_include_directories(server_benchmarks PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR})
endif()
