# Tests run under Wine in a scratch prefix of their own: the fixture
# "wine_prefix" copies a freshly booted prefix for each test run, starts a
# persistent wineserver before the tests and stops it after them. The user's
# ~/.wine is never touched.
set(VELMO_WINE_ROOT ${CMAKE_BINARY_DIR}/wine)
set(VELMO_WINEPREFIX ${VELMO_WINE_ROOT}/prefix)
set(VELMO_WINE_SCRIPT ${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh)

# winedbg.exe is off: a program that crashes ends at once with the
# exception's status instead of waiting for Wine's debugger, which may end it
# with status 0 (run a test by hand without the override for a backtrace).
set(VELMO_WINE_ENVIRONMENT
  WINEPREFIX=${VELMO_WINEPREFIX}
  WINEDEBUG=-all
  WINEDLLOVERRIDES=mscoree,mshtml,winedbg.exe=
  WINESERVER=/usr/lib/wine/wineserver)
# No proxy variables (WinINet's preconfigured access follows them) and no
# display (message boxes return at once) unless a test asks for one.
set(VELMO_WINE_ENVIRONMENT_MODIFICATION
  http_proxy=unset: https_proxy=unset: no_proxy=unset: HTTP_PROXY=unset: HTTPS_PROXY=unset: DISPLAY=unset:)

add_test(NAME wine_prefix_setup COMMAND bash ${VELMO_WINE_SCRIPT} setup ${VELMO_WINE_ROOT})
set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 300)
add_test(NAME wine_prefix_cleanup COMMAND bash ${VELMO_WINE_SCRIPT} stop ${VELMO_WINE_ROOT})
set_tests_properties(wine_prefix_cleanup PROPERTIES FIXTURES_CLEANUP wine_prefix TIMEOUT 60)

# Tests that show windows get a prefix of their own, "display". A prefix's
# desktop takes its display driver from the process that starts it and ends
# with the prefix's last process, so in a prefix shared with display-less
# tests a dialog test could find its desktop started without a display by a
# test running beside it, and no window would ever show.
set(VELMO_WINE_DISPLAY_PREFIX ${VELMO_WINE_ROOT}/display)
add_test(NAME wine_display_prefix_setup COMMAND bash ${VELMO_WINE_SCRIPT} setup ${VELMO_WINE_ROOT} display)
set_tests_properties(wine_display_prefix_setup PROPERTIES FIXTURES_SETUP wine_display_prefix
  FIXTURES_REQUIRED wine_prefix TIMEOUT 300)
add_test(NAME wine_display_prefix_cleanup COMMAND bash ${VELMO_WINE_SCRIPT} stop ${VELMO_WINE_ROOT} display)
set_tests_properties(wine_display_prefix_cleanup PROPERTIES FIXTURES_CLEANUP wine_display_prefix TIMEOUT 60)

# velmo_wine_test(<name> COMMAND <target> [args...]
#                 [SHARES_REGISTRY] [NEEDS_DISPLAY] [TIMEOUT seconds])
# <target> is a GoogleTest program: it passes only when it ran to its end and
# GoogleTest reported success (scripts/wine-test.sh).
# SHARES_REGISTRY: the test uses the module's registry keys, so it runs alone.
# NEEDS_DISPLAY: the test shows windows; it runs on the prefix's virtual
# display (the others run without one, so a window they open by mistake
# returns at once instead of waiting for a click).
function(velmo_wine_test name)
  cmake_parse_arguments(ARG "SHARES_REGISTRY;NEEDS_DISPLAY" "TIMEOUT" "COMMAND" ${ARGN})
  set(fixtures wine_prefix)
  list(POP_FRONT ARG_COMMAND target)
  set(display)
  set(environment ${VELMO_WINE_ENVIRONMENT})
  set(registry velmo_registry)
  if(ARG_NEEDS_DISPLAY)
    set(display --display ${VELMO_WINE_ROOT} display)
    list(TRANSFORM environment REPLACE "^WINEPREFIX=.*" "WINEPREFIX=${VELMO_WINE_DISPLAY_PREFIX}")
    set(fixtures wine_display_prefix)
    set(registry velmo_display_registry)
  endif()
  add_test(NAME ${name} COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/wine-test.sh ${display}
    $<TARGET_FILE:${target}> ${ARG_COMMAND})
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED "${fixtures}"
    ENVIRONMENT "${environment}"
    ENVIRONMENT_MODIFICATION "${VELMO_WINE_ENVIRONMENT_MODIFICATION}")
  if(ARG_SHARES_REGISTRY)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK ${registry})
  endif()
  if(ARG_TIMEOUT)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  else()
    set_tests_properties(${name} PROPERTIES TIMEOUT 120)
  endif()
endfunction()
