# Helpers that give every target of this project the same settings.

set(VESK_WARNINGS -Wall -Wextra -Werror)
set(VESK_DEFINITIONS __USE_MINGW_ANSI_STDIO=1 WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)

# vesk_target_defaults(<target>): warnings, definitions and the include root src/.
function(vesk_target_defaults target)
  target_compile_options(${target} PRIVATE ${VESK_WARNINGS})
  target_compile_definitions(${target} PRIVATE ${VESK_DEFINITIONS})
endfunction()

# vesk_add_library(<folder> SOURCES ... [LINKS ...]): the static library vesk_<folder>
# of one src/ folder. Its headers are included as "<folder>/Name.h".
function(vesk_add_library folder)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  set(target vesk_${folder})
  add_library(${target} STATIC ${ARG_SOURCES})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_compile_definitions(${target} PUBLIC ${VESK_DEFINITIONS})
  target_compile_options(${target} PRIVATE ${VESK_WARNINGS})
  target_link_libraries(${target} PUBLIC ${ARG_LINKS})
endfunction()

# vesk_add_test(<name> SOURCES ... [LINKS ...] [ARGS ...] [TIMEOUT <seconds>]): a
# GoogleTest program run under Wine as one ctest test of the same name, in a fresh
# prefix. A test that takes longer than TIMEOUT (default 180 s: a few times what a
# loaded machine needs) fails under its own name instead of hanging the run.
function(vesk_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LINKS;ARGS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 180)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  vesk_target_defaults(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name} ${ARG_ARGS})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
endfunction()

# vesk_shipped_program(<target>): a program we ship. Its import table is checked by the
# imports test: it may name only libraries that Windows always loads from its system
# folder. It is linked stripped in every build type: debug information would multiply
# its size (and that of installer.exe, which carries bspatch.exe) and every start would
# map it for nothing.
function(vesk_shipped_program target)
  target_link_options(${target} PRIVATE -s)
  set_property(GLOBAL APPEND PROPERTY VESK_SHIPPED_PROGRAMS ${target})
endfunction()
