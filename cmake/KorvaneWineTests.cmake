# The cross-built test programs run under Wine (CMAKE_CROSSCOMPILING_EMULATOR),
# one ctest entry per program, leaving out the tests in tests/wine-skips.txt.
# Wine keeps its state in a prefix inside the build tree, made once by the
# fixture "WinePrefix" before any program runs.
set(KORVANE_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
# No display, no Mono or Gecko installers: the programs are console programs.
set(KORVANE_WINE_ENV "WINEPREFIX=${KORVANE_WINE_PREFIX}" "WINEDEBUG=-all"
    "WINEDLLOVERRIDES=mscoree=;mshtml=" "DISPLAY=")

add_test(NAME WinePrefix COMMAND ${KORVANE_WINE} wineboot --init)
set_tests_properties(WinePrefix PROPERTIES FIXTURES_SETUP wine ENVIRONMENT "${KORVANE_WINE_ENV}")

# "Suite.Test -- reason" per line; "#" starts a comment.
file(STRINGS ${PROJECT_SOURCE_DIR}/tests/wine-skips.txt _korvane_skip_lines)
set(KORVANE_WINE_SKIPS "")
foreach(line IN LISTS _korvane_skip_lines)
  if(line MATCHES "^([A-Za-z0-9_./*]+) -- .+")
    list(APPEND KORVANE_WINE_SKIPS ${CMAKE_MATCH_1})
  elseif(NOT line MATCHES "^(#.*)?$")
    message(FATAL_ERROR "tests/wine-skips.txt: not \"Suite.Test -- reason\": ${line}")
  endif()
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/tests/wine-skips.txt)
list(JOIN KORVANE_WINE_SKIPS ":" _korvane_skip_filter)

# The window's programs find Qt's DLLs (and the MinGW runtime the kit
# carries beside them) on Wine's search path, and Qt its plugins beside those.
if(TARGET Qt6::Core)
  list(APPEND KORVANE_WINE_ENV "WINEPATH=${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}")
endif()

# korvane_add_emulated_test(name [ENVIRONMENT var=value...] [LABELS label...])
function(korvane_add_emulated_test name)
  cmake_parse_arguments(ARG "" "" "ENVIRONMENT;LABELS" ${ARGN})
  set(filter)
  if(_korvane_skip_filter)
    set(filter "--gtest_filter=-${_korvane_skip_filter}")
  endif()
  # Through wine-run.sh, which starts a program once more when Wine failed to start it.
  add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/cmake/wine-run.sh ${KORVANE_WINE}
                                $<TARGET_FILE:${name}> ${filter})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 900
                       ENVIRONMENT "${KORVANE_WINE_ENV};${ARG_ENVIRONMENT}")
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()
