# The server's broadcast paths over loopback, against plain Asio baselines.
if(QUILLA_BUILD_TESTS)
  add_executable(server_benchmarks ${CMAKE_CURRENT_LIST_DIR}/server/server_benchmarks.cpp)
  target_link_libraries(server_benchmarks PRIVATE quilla_server_core benchmark::benchmark)
  target_include_directories(server_benchmarks PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR})

  # The engine's longest stall over a minute with slow outside services (two minutes).
  add_executable(server_stall_bench ${CMAKE_CURRENT_LIST_DIR}/server/engine_stall_bench.cpp)
  target_link_libraries(server_stall_bench PRIVATE
    quilla_server_core quilla_server_voice quilla_test_support benchmark::benchmark)
  target_compile_definitions(server_stall_bench PRIVATE
    QUILLA_ANNOUNCEMENT_MP3="${CMAKE_SOURCE_DIR}/tests/fixtures/voice/announcement_3s.mp3")
endif()
