# Tests of the user tools: their unit tests (the EIT reader's lines against
# the plug-in's own, service by service), and the tools run as a user runs
# them: on the generated stream, an awkward logo folder and the real captures
# (skipped without them); the Windows builds under wine print the same as the
# native ones. Included from the top-level native CMakeLists.txt.
foreach(name eit_reader_test dvbread_test)
  add_executable(${name} ${CMAKE_CURRENT_LIST_DIR}/${name}.cpp)
  target_link_libraries(${name} PRIVATE tavik_fakes tavik_eit_reader tavik_eitgen
                        tavik_test_support GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endforeach()
add_executable(logo_check_test ${CMAKE_CURRENT_LIST_DIR}/logo_check_test.cpp)
target_link_libraries(logo_check_test PRIVATE tavik_fakes tavik_logo_check tavik_test_support
                      GTest::gtest_main)
gtest_discover_tests(logo_check_test DISCOVERY_TIMEOUT 60)

foreach(case eit-generated eit-captures eit-xmltv logos-awkward logos-captures win-same-output)
  add_test(NAME tools_${case}
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/tool-tests.sh ${case} ${CMAKE_BINARY_DIR} ${TAVIK_WIN_DIR})
  set_tests_properties(tools_${case} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endforeach()
set_tests_properties(tools_win-same-output PROPERTIES RESOURCE_LOCK tavik_wine_display)
