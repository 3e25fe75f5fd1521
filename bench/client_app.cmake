# The client's main window under the server's progress tick: the program's CPU share and
# the time from a tick to the repainted progress bar.
if(QUILLA_BUILD_GUI AND QUILLA_BUILD_TESTS)
  add_executable(client_app_bench ${CMAKE_CURRENT_LIST_DIR}/client/main_window_bench.cpp)
  target_link_libraries(client_app_bench PRIVATE quilla_client_app quilla_test_support
    Qt6::Test benchmark::benchmark)
  target_include_directories(client_app_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(client_app_bench PRIVATE
    QUILLA_CLIENT_BINARY="$<TARGET_FILE:quilla_client>")
  add_dependencies(client_app_bench quilla_client)
endif()
