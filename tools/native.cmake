# Native builds of the user tools: the EIT reader and the logo checker, over
# the plug-in's own pure rules (in tavik_core), the host kit and the
# transport-stream and text readers. Included from the top-level native
# CMakeLists.txt.

# The host kit (hostkit/): stream to units, channel lists, channel records.
# Compiled into the tools, and linked by every host, test program, fuzz target
# and benchmark that needs it.
add_library(tavik_hostkit STATIC ${CMAKE_SOURCE_DIR}/hostkit/ts_units.cpp
                                 ${CMAKE_SOURCE_DIR}/hostkit/channel_list.cpp
                                 ${CMAKE_SOURCE_DIR}/hostkit/record.cpp)
target_include_directories(tavik_hostkit PUBLIC ${TAVIK_INCLUDES})

add_library(tavik_dvbread STATIC ${CMAKE_CURRENT_LIST_DIR}/dvbread/dvb_text.cpp
                                 ${CMAKE_CURRENT_LIST_DIR}/dvbread/ts_read.cpp)
target_include_directories(tavik_dvbread PUBLIC ${TAVIK_INCLUDES})
# tavik_core: the character-table converter; tavik_hostkit: the units' sizes.
target_link_libraries(tavik_dvbread PUBLIC tavik_core tavik_hostkit)

add_library(tavik_eit_reader STATIC ${CMAKE_CURRENT_LIST_DIR}/tavik-eit/eit_reader.cpp
                                    ${CMAKE_CURRENT_LIST_DIR}/tavik-eit/schedule_report.cpp
                                    ${CMAKE_CURRENT_LIST_DIR}/tavik-eit/xmltv_writer.cpp
                                    ${CMAKE_CURRENT_LIST_DIR}/tavik-eit/tool_time.cpp)
target_link_libraries(tavik_eit_reader PUBLIC tavik_core tavik_dvbread)
add_executable(tavik-eit ${CMAKE_CURRENT_LIST_DIR}/tavik-eit/main.cpp ${CMAKE_CURRENT_LIST_DIR}/tavik-eit/output_file.cpp)
target_link_libraries(tavik-eit PRIVATE tavik_eit_reader)

add_library(tavik_logo_check STATIC ${CMAKE_CURRENT_LIST_DIR}/tavik-logos/logo_check.cpp ${CMAKE_CURRENT_LIST_DIR}/tavik-logos/list_encoding.cpp)
target_link_libraries(tavik_logo_check PUBLIC tavik_core tavik_dvbread tavik_hostkit)
add_executable(tavik-logos ${CMAKE_CURRENT_LIST_DIR}/tavik-logos/main.cpp)
target_link_libraries(tavik-logos PRIVATE tavik_logo_check)
