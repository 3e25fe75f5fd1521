# Saving and loading the request history (a few hundred rows) and single INI writes.
add_executable(settings_bench ${CMAKE_CURRENT_LIST_DIR}/settings/settings_bench.cpp)
target_link_libraries(settings_bench PRIVATE quilla_settings benchmark::benchmark)
