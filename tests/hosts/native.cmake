# Native build of the hosts' portable code: the section generator, its library
# for tests that need a stream of our own, and the simulator's text handling.
# Included from the top-level native CMakeLists.txt.
add_library(tavik_eitgen STATIC ${CMAKE_CURRENT_LIST_DIR}/eitgen/eit_sections.cpp
            ${CMAKE_CURRENT_LIST_DIR}/eitgen/dated_streams.cpp)
target_include_directories(tavik_eitgen PUBLIC ${TAVIK_INCLUDES})
# The packet walk, and the plug-in's CRC for the sections it writes.
target_link_libraries(tavik_eitgen PUBLIC tavik_hostkit tavik_rules)

add_executable(eitgen ${CMAKE_CURRENT_LIST_DIR}/eitgen/eitgen_main.cpp)
target_link_libraries(eitgen PRIVATE tavik_eitgen)

add_executable(eit_sections_test ${CMAKE_CURRENT_LIST_DIR}/eitgen/eit_sections_test.cpp)
target_link_libraries(eit_sections_test PRIVATE tavik_eitgen GTest::gtest_main)
gtest_discover_tests(eit_sections_test DISCOVERY_TIMEOUT 60)

add_executable(host_text_test ${CMAKE_CURRENT_LIST_DIR}/mdhost/host_text_test.cpp
                              ${CMAKE_CURRENT_LIST_DIR}/mdhost/host_text.cpp)
target_link_libraries(host_text_test PRIVATE tavik_eitgen tavik_test_support
                      GTest::gtest_main)
gtest_discover_tests(host_text_test DISCOVERY_TIMEOUT 60)
