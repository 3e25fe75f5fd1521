# Protocol benchmarks: codec against bare zlib, and broadcast fan-out against plain Asio.
add_executable(protocol_codec_bench ${CMAKE_CURRENT_LIST_DIR}/protocol_codec_bench.cpp)
target_link_libraries(protocol_codec_bench PRIVATE quilla_protocol benchmark::benchmark ZLIB::ZLIB)

add_executable(protocol_fanout_bench ${CMAKE_CURRENT_LIST_DIR}/protocol_fanout_bench.cpp)
target_link_libraries(protocol_fanout_bench PRIVATE quilla_protocol benchmark::benchmark)
