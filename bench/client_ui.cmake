# The desktop lyrics line: SetText with a new line and with the line already shown, against
# a bare QPainter::drawText of the same line (offscreen platform).
if(QUILLA_BUILD_GUI)
  add_executable(client_lyrics_bench ${CMAKE_CURRENT_LIST_DIR}/client/lyrics_bench.cpp)
  target_link_libraries(client_lyrics_bench PRIVATE quilla_client_ui benchmark::benchmark)
endif()
