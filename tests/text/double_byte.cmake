# The two-byte tables both ways: double_byte_dump prints what the text
# converter makes of every GB 2312 and KS X 1001 pair, on Windows from the
# system's code pages (as tavik.dll does), natively from the compiled-in
# tables; the test compares the two outputs under wine. Included from the
# top-level CMakeLists.txt on both sides.
if(WIN32)
  add_executable(double_byte_dump ${CMAKE_CURRENT_LIST_DIR}/double_byte_dump.cpp
                 ${CMAKE_SOURCE_DIR}/src/text/dvb_text.cpp
                 ${CMAKE_SOURCE_DIR}/src/text/win/double_byte_win.cpp)
  target_include_directories(double_byte_dump PRIVATE ${TAVIK_INCLUDES})
  target_link_options(double_byte_dump PRIVATE -static-libgcc -static-libstdc++ -static)
  set_target_properties(double_byte_dump PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
else()
  add_executable(double_byte_dump ${CMAKE_CURRENT_LIST_DIR}/double_byte_dump.cpp)
  target_link_libraries(double_byte_dump PRIVATE tavik_core)
  if(TAVIK_WIN_DIR)
    add_test(NAME text_double_byte_same_on_windows
             COMMAND ${CMAKE_CURRENT_LIST_DIR}/double_byte_same.sh
                     $<TARGET_FILE:double_byte_dump> ${TAVIK_WIN_DIR}/double_byte_dump.exe)
    set_tests_properties(text_double_byte_same_on_windows PROPERTIES
      SKIP_RETURN_CODE 77 TIMEOUT 300 RESOURCE_LOCK tavik_wine_display)
  endif()
endif()
