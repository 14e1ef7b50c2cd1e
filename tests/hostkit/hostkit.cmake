# The host kit's test-only half, defined once for both builds: channel records
# as a host builds them; natively the real captures and their units (for the
# tests, fuzz targets and benchmarks); on Windows loading a plug-in and finding
# its exports. Over the shipped half (tools/hostkit, tavik_hostkit).
add_library(tavik_test_hostkit STATIC ${CMAKE_CURRENT_LIST_DIR}/record.cpp)
if(WIN32)
  target_sources(tavik_test_hostkit PRIVATE ${CMAKE_CURRENT_LIST_DIR}/win/plugin_loader.cpp)
else()
  target_sources(tavik_test_hostkit PRIVATE ${CMAKE_CURRENT_LIST_DIR}/ts_capture.cpp)
  target_compile_definitions(tavik_test_hostkit PRIVATE TAVIK_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
endif()
target_link_libraries(tavik_test_hostkit PUBLIC tavik_hostkit)
