# The built-in music library: search latency at 100,000 tracks, scanning and restarting
# over 10,000 files, /media throughput against a bare sendfile, and a spoken announcement
# against a fixed MP3.
if(QUILLA_BUILD_TESTS AND TARGET quilla_test_audio)
  add_executable(library_benchmarks
    ${CMAKE_CURRENT_LIST_DIR}/library/search_bench.cpp
    ${CMAKE_CURRENT_LIST_DIR}/library/scan_bench.cpp
    ${CMAKE_CURRENT_LIST_DIR}/library/media_bench.cpp
    ${CMAKE_CURRENT_LIST_DIR}/library/speech_bench.cpp)
  target_link_libraries(library_benchmarks PRIVATE
    quilla_server_library quilla_server_voice quilla_web quilla_test_audio benchmark::benchmark_main)
  target_include_directories(library_benchmarks PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/bench)
endif()
