# The string tables of installer.exe. The texts of each language live in a UTF-8 file
# beside this one; make_string_tables.py checks them against each other and writes one
# resource script, computing string 4008 of every language, at build time.
#
# vesk_string_tables(<target> <rc-source>): generates StringTables.rc in the binary
# folder and makes it available to <rc-source>, a resource script of <target>, which
# contains `#include "StringTables.rc"`.

function(vesk_string_tables target rc_source)
  # The folder of this file, also when the function is called from another folder.
  set(VESK_STRING_TABLES_DIR ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
  find_package(Python3 REQUIRED COMPONENTS Interpreter)

  # The first language is the reference that every other one is checked against.
  set(languages en_US de es fr it sv zh_TW ja ko pt_BR zh_CN)
  list(TRANSFORM languages PREPEND ${VESK_STRING_TABLES_DIR}/)
  list(TRANSFORM languages APPEND .json)

  set(generator ${VESK_STRING_TABLES_DIR}/make_string_tables.py)
  set(output_dir ${CMAKE_CURRENT_BINARY_DIR}/string_tables)
  set(output ${output_dir}/StringTables.rc)
  add_custom_command(
    OUTPUT ${output}
    COMMAND Python3::Interpreter ${generator} ${output} ${languages}
    DEPENDS ${generator} ${languages}
    COMMENT "Generating the string tables of ${target}"
    VERBATIM)

  # Listed as a source so that the target owns the generator step; compiled only
  # through the include, never on its own.
  target_sources(${target} PRIVATE ${output})
  set_source_files_properties(${output} PROPERTIES HEADER_FILE_ONLY ON)
  # The resource compiler does not report included files, so name the dependency.
  set_property(SOURCE ${rc_source} APPEND PROPERTY OBJECT_DEPENDS ${output})
  target_include_directories(${target} PRIVATE $<$<COMPILE_LANGUAGE:RC>:${output_dir}>)
endfunction()
