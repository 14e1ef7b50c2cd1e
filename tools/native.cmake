# Native build of the portable tool code: the section generator, its library
# for tests that need a stream of our own, and the tests of both tools.
# Included from the top-level native CMakeLists.txt.
add_library(tavik_eitgen STATIC ${CMAKE_CURRENT_LIST_DIR}/eitgen/eit_sections.cpp)
target_include_directories(tavik_eitgen PUBLIC ${CMAKE_SOURCE_DIR})

add_executable(eitgen ${CMAKE_CURRENT_LIST_DIR}/eitgen/eitgen_main.cpp)
target_link_libraries(eitgen PRIVATE tavik_eitgen)

add_executable(eit_sections_test ${CMAKE_CURRENT_LIST_DIR}/eitgen/eit_sections_test.cpp)
target_link_libraries(eit_sections_test PRIVATE tavik_eitgen GTest::gtest_main)
gtest_discover_tests(eit_sections_test DISCOVERY_TIMEOUT 60)

add_executable(host_text_test ${CMAKE_CURRENT_LIST_DIR}/mdhost/host_text_test.cpp
                              ${CMAKE_CURRENT_LIST_DIR}/mdhost/host_text.cpp)
target_link_libraries(host_text_test PRIVATE tavik_eitgen GTest::gtest_main)
target_compile_definitions(host_text_test PRIVATE TAVIK_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
gtest_discover_tests(host_text_test DISCOVERY_TIMEOUT 60)

# The user tools: the EIT reader and the logo checker, over the plug-in's own
# pure rules (in tavik_core) and the transport-stream and text readers.
add_library(tavik_dvbread STATIC ${CMAKE_CURRENT_LIST_DIR}/dvbread/dvb_text.cpp
                                 ${CMAKE_CURRENT_LIST_DIR}/dvbread/ts_read.cpp)
target_include_directories(tavik_dvbread PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(tavik_dvbread PUBLIC tavik_core)  # the character-table converter

add_library(tavik_eit_reader STATIC ${CMAKE_CURRENT_LIST_DIR}/tavik-eit/eit_reader.cpp)
target_link_libraries(tavik_eit_reader PUBLIC tavik_core tavik_dvbread)
add_executable(tavik-eit ${CMAKE_CURRENT_LIST_DIR}/tavik-eit/main.cpp)
target_link_libraries(tavik-eit PRIVATE tavik_eit_reader)

add_library(tavik_logo_check STATIC ${CMAKE_CURRENT_LIST_DIR}/tavik-logos/logo_check.cpp)
target_link_libraries(tavik_logo_check PUBLIC tavik_core tavik_dvbread)
add_executable(tavik-logos ${CMAKE_CURRENT_LIST_DIR}/tavik-logos/main.cpp)
target_link_libraries(tavik-logos PRIVATE tavik_logo_check)

foreach(t tavik-eit/eit_reader_test dvbread/dvbread_test)
  get_filename_component(name ${t} NAME)
  add_executable(${name} ${CMAKE_CURRENT_LIST_DIR}/${t}.cpp)
  target_link_libraries(${name} PRIVATE tavik_eit_reader tavik_eitgen tavik_test_support
                        GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endforeach()
add_executable(logo_check_test ${CMAKE_CURRENT_LIST_DIR}/tavik-logos/logo_check_test.cpp)
target_link_libraries(logo_check_test PRIVATE tavik_logo_check tavik_test_support GTest::gtest_main)
gtest_discover_tests(logo_check_test DISCOVERY_TIMEOUT 60)

# The tools run as a user runs them: on the generated stream, an awkward logo
# folder and the real captures (skipped without them); the Windows builds
# under wine print the same as the native ones.
foreach(case eit-generated eit-captures logos-awkward logos-captures win-same-output)
  add_test(NAME tools_${case}
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/tool-tests.sh ${case} ${CMAKE_BINARY_DIR} ${TAVIK_WIN_DIR})
  set_tests_properties(tools_${case} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endforeach()
set_tests_properties(tools_win-same-output PROPERTIES RESOURCE_LOCK tavik_wine_display)
