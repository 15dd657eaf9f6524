# Third-party code: zlib from Debian's MinGW package, bzip2 from the sources that
# scripts/setup fetched, GoogleTest from Debian's source copy. Nothing here is committed.

# zlib is linked statically: Windows has no zlib1.dll, and a library that Windows does
# not load from its system folder would be searched for beside the installer.
find_library(VESK_ZLIB_STATIC NAMES libz.a REQUIRED)
find_path(VESK_ZLIB_INCLUDE_DIR zlib.h REQUIRED)
add_library(ZLIB::ZLIB STATIC IMPORTED)
set_target_properties(ZLIB::ZLIB PROPERTIES
  IMPORTED_LOCATION ${VESK_ZLIB_STATIC}
  INTERFACE_INCLUDE_DIRECTORIES ${VESK_ZLIB_INCLUDE_DIR})

set(VESK_BZIP2_SOURCE_DIR "${CMAKE_SOURCE_DIR}/.cache/bzip2" CACHE PATH "bzip2 sources (scripts/setup)")
if(NOT EXISTS "${VESK_BZIP2_SOURCE_DIR}/bzlib.h")
  message(FATAL_ERROR "bzip2 sources missing in ${VESK_BZIP2_SOURCE_DIR}: run scripts/setup")
endif()
add_library(bz2 STATIC
  ${VESK_BZIP2_SOURCE_DIR}/blocksort.c ${VESK_BZIP2_SOURCE_DIR}/huffman.c
  ${VESK_BZIP2_SOURCE_DIR}/crctable.c ${VESK_BZIP2_SOURCE_DIR}/randtable.c
  ${VESK_BZIP2_SOURCE_DIR}/compress.c ${VESK_BZIP2_SOURCE_DIR}/decompress.c
  ${VESK_BZIP2_SOURCE_DIR}/bzlib.c)
target_include_directories(bz2 SYSTEM PUBLIC ${VESK_BZIP2_SOURCE_DIR})
target_compile_options(bz2 PRIVATE -w)
add_library(BZip2::BZip2 ALIAS bz2)

set(VESK_GOOGLETEST_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${VESK_GOOGLETEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
