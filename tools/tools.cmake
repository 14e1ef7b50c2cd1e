# The user tools tavik-eit and tavik-logos and the libraries they are made of,
# defined once for both builds (included from the top-level CMakeLists.txt on
# the Windows and the native side). On Windows they are console programs
# shipped in the release zip, linked statically, beside tavik.dll.

# The plug-in's pure rules the tools reuse, the same sources as in tavik.dll so
# the tools agree with the banner to the byte, with the two-byte character
# tables compiled in (the DLL asks Windows' code pages instead). Natively the
# portable core of the tests is built over this library.
set(TAVIK_RULE_SOURCES src/common/text.cpp src/guide/eit_section.cpp src/guide/crc32.cpp
    src/guide/section_assembler.cpp src/guide/event_store.cpp src/guide/event_store_space.cpp
    src/guide/event_store_chains.cpp
    src/guide/broadcast_time.cpp src/guide/schedule_text.cpp src/guide/line_builder.cpp
    src/guide/eit_decoder.cpp src/guide/event_facts.cpp src/guide/event_marks.cpp
    src/guide/extended_text.cpp src/guide/event_description.cpp
    src/banner/logo_path.cpp src/runtime/picture_header.cpp src/text/dvb_text.cpp)
list(TRANSFORM TAVIK_RULE_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/)
add_library(tavik_rules STATIC ${TAVIK_RULE_SOURCES}
            ${CMAKE_CURRENT_LIST_DIR}/text_tables/double_byte_tables.cpp)
target_include_directories(tavik_rules PUBLIC ${TAVIK_INCLUDES})

# The host kit's shipped half (tools/hostkit): the packet walk, the stream to
# the units a host delivers, the channel list rule. Every host of the tests
# links it too (with the test-only half, tests/hostkit).
add_library(tavik_hostkit STATIC ${CMAKE_CURRENT_LIST_DIR}/hostkit/ts_packets.cpp
                                 ${CMAKE_CURRENT_LIST_DIR}/hostkit/ts_units.cpp
                                 ${CMAKE_CURRENT_LIST_DIR}/hostkit/channel_list.cpp)
target_include_directories(tavik_hostkit PUBLIC ${TAVIK_INCLUDES})

# The stream's sections and service names, the table names.
add_library(tavik_dvbread STATIC ${CMAKE_CURRENT_LIST_DIR}/dvbread/dvb_text.cpp
                                 ${CMAKE_CURRENT_LIST_DIR}/dvbread/ts_read.cpp)
target_link_libraries(tavik_dvbread PUBLIC tavik_rules tavik_hostkit)

add_library(tavik_eit_reader STATIC ${CMAKE_CURRENT_LIST_DIR}/tavik-eit/eit_reader.cpp
                                    ${CMAKE_CURRENT_LIST_DIR}/tavik-eit/schedule_report.cpp
                                    ${CMAKE_CURRENT_LIST_DIR}/tavik-eit/xmltv_writer.cpp
                                    ${CMAKE_CURRENT_LIST_DIR}/tavik-eit/tool_time.cpp)
target_link_libraries(tavik_eit_reader PUBLIC tavik_dvbread)
add_executable(tavik-eit ${CMAKE_CURRENT_LIST_DIR}/tavik-eit/main.cpp ${CMAKE_CURRENT_LIST_DIR}/tavik-eit/output_file.cpp)
target_link_libraries(tavik-eit PRIVATE tavik_eit_reader)

add_library(tavik_logo_check STATIC ${CMAKE_CURRENT_LIST_DIR}/tavik-logos/logo_check.cpp ${CMAKE_CURRENT_LIST_DIR}/tavik-logos/list_encoding.cpp)
target_link_libraries(tavik_logo_check PUBLIC tavik_dvbread)
add_executable(tavik-logos ${CMAKE_CURRENT_LIST_DIR}/tavik-logos/main.cpp)
target_link_libraries(tavik-logos PRIVATE tavik_logo_check)

if(WIN32)
  foreach(tool tavik-eit tavik-logos)
    target_link_options(${tool} PRIVATE -static-libgcc -static-libstdc++ -static -s)
    set_target_properties(${tool} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  endforeach()
endif()
