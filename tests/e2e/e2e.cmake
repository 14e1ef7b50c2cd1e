# End-to-end scenarios: the Windows build's tavik.dll in the host simulator
# under wine, one CTest test per tests/e2e/*.scn (the demo excepted). They share
# one X display and one wine prefix, so they run one at a time.
file(GLOB TAVIK_E2E_SCENARIOS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.scn)
foreach(scn ${TAVIK_E2E_SCENARIOS})
  get_filename_component(scn_name ${scn} NAME_WE)
  if(scn_name STREQUAL "demo")
    continue()
  endif()
  add_test(NAME e2e_${scn_name}
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/run-scenario.sh ${TAVIK_WIN_DIR} ${scn})
  set_tests_properties(e2e_${scn_name} PROPERTIES
    TIMEOUT 400 SKIP_RETURN_CODE 77 LABELS e2e RESOURCE_LOCK tavik_wine_display)
endforeach()

# The release zip built by scripts/package.sh in a copy of the tree without
# ../shared, unpacked into an empty folder and run by the host simulator
# (tests/package/package.scn), then unpacked over that install.
add_test(NAME e2e_package COMMAND ${CMAKE_SOURCE_DIR}/scripts/test-package.sh ${TAVIK_WIN_DIR})
set_tests_properties(e2e_package PROPERTIES
  TIMEOUT 600 LABELS e2e RESOURCE_LOCK tavik_wine_display)

include(${CMAKE_SOURCE_DIR}/tests/hosts/hostile/hostile.cmake)
