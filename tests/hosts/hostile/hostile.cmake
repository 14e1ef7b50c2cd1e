# The hostile host as one end-to-end test: it shares the X display and the
# wine prefix with the scenarios, so it runs alone like them.
add_test(NAME e2e_hostile_host
         COMMAND ${CMAKE_SOURCE_DIR}/scripts/run-hostile.sh ${TAVIK_WIN_DIR})
set_tests_properties(e2e_hostile_host PROPERTIES
  TIMEOUT 600 LABELS e2e RESOURCE_LOCK tavik_wine_display
  FAIL_REGULAR_EXPRESSION "HANG |CRASH ")
