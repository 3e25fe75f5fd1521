# The music search's answer parsing against a bare PCRE2 match of the same pattern, and
# the request history's file at 10 000 rows.
add_executable(client_search_bench ${CMAKE_CURRENT_LIST_DIR}/client/client_search_bench.cpp)
target_link_libraries(client_search_bench PRIVATE
  quilla_client_requests quilla_client_search PkgConfig::PCRE2 benchmark::benchmark)
