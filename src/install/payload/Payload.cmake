# The payload installer.exe carries is a build input:
# - VESK_PAYLOAD_DIR names a folder with "diff" (the BSDIFF40 patch, resource 5),
#   "bspatch.exe" (the patch tool, resource 7) and optionally "baseimagefam8" (the base
#   image, resource 6). Left empty, the build embeds the testbed payload: the patch
#   from the testbed base image to the testbed new image, and our bspatch.exe.
# - VESK_BASE_IMAGE_SHA256 lists the SHA-256 digests of base images that the install
#   sequence accepts besides the product's two; with the testbed payload, the testbed
#   base image is accepted too.
#
# For the resource scripts and tests this file sets the global properties
#   VESK_PAYLOAD_PATCH, VESK_PAYLOAD_TOOL  the files of resources 5 and 7;
#   VESK_PAYLOAD_BASE_IMAGE                the base image the patch applies to (empty when
#                                          the given payload folder has none);
#   VESK_PAYLOAD_NEW_IMAGE                 the image the patch makes (testbed payload only);
#   VESK_PAYLOAD_CARRIES_BASE_IMAGE        whether installer.exe carries resource 6;
# and the target vesk_payload, which makes the files.
# vesk_base_image_digests(<output.cpp> [FILES ...]) writes the accepted digests' source.
# vesk_payload_resource_script(<output.rc> <ids...>) writes a resource script with the
# payload resources <ids> (5, 6, 7).

set(VESK_PAYLOAD_DIR "" CACHE PATH
  "Payload folder (diff, bspatch.exe, optional baseimagefam8); empty: generate a small payload")
set(VESK_BASE_IMAGE_SHA256 "" CACHE STRING
  "SHA-256 digests of base images accepted besides the product's two (;-separated)")

find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(_digest_arguments ${VESK_BASE_IMAGE_SHA256})
set(_digest_depends)

if(VESK_PAYLOAD_DIR)
  foreach(required diff bspatch.exe)
    if(NOT EXISTS ${VESK_PAYLOAD_DIR}/${required})
      message(FATAL_ERROR "VESK_PAYLOAD_DIR=${VESK_PAYLOAD_DIR} has no file ${required}")
    endif()
  endforeach()
  set(_patch ${VESK_PAYLOAD_DIR}/diff)
  set(_tool ${VESK_PAYLOAD_DIR}/bspatch.exe)
  set(_new_image "")
  if(EXISTS ${VESK_PAYLOAD_DIR}/baseimagefam8)
    set(_base_image ${VESK_PAYLOAD_DIR}/baseimagefam8)
    set(_carried TRUE)
  else()
    set(_base_image "")
    set(_carried FALSE)
  endif()
  add_custom_target(vesk_payload)
else()
  # The testbed payload (testbed/payload): its patch turns the testbed base image into
  # the testbed new image, runtime images that the install road handles for real. The
  # testbed makes these files later in the same build; their paths are fixed.
  set(_patch ${CMAKE_BINARY_DIR}/testbed/payload/diff)
  set(_tool ${CMAKE_BINARY_DIR}/testbed/payload/bspatch.exe)
  set(_base_image ${CMAKE_BINARY_DIR}/testbed/images/baseimagefam8)
  set(_new_image ${CMAKE_BINARY_DIR}/testbed/images/newimage)
  set(_carried FALSE)
  add_custom_target(vesk_payload)
  add_dependencies(vesk_payload testbed_payload)
  list(APPEND _digest_arguments --file ${_base_image})
  list(APPEND _digest_depends ${_base_image} testbed_images)
endif()

# vesk_base_image_digests(<output.cpp> [FILES <base image>...]) generates the source of
# BaseImageDigests::extra(): the build's extra digests and those of the given files.
set_property(GLOBAL PROPERTY VESK_BASE_IMAGE_DIGEST_ARGUMENTS "${_digest_arguments}")
set_property(GLOBAL PROPERTY VESK_BASE_IMAGE_DIGEST_DEPENDS "${_digest_depends}")
function(vesk_base_image_digests output)
  cmake_parse_arguments(ARG "" "" "FILES" ${ARGN})
  find_package(Python3 REQUIRED COMPONENTS Interpreter)  # its target is per folder
  get_property(arguments GLOBAL PROPERTY VESK_BASE_IMAGE_DIGEST_ARGUMENTS)
  get_property(depends GLOBAL PROPERTY VESK_BASE_IMAGE_DIGEST_DEPENDS)
  foreach(file IN LISTS ARG_FILES)
    list(APPEND arguments --file ${file})
    list(APPEND depends ${file})
  endforeach()
  add_custom_command(
    OUTPUT ${output}
    COMMAND Python3::Interpreter ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/make_base_image_digests.py ${output}
            ${arguments}
    DEPENDS ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/make_base_image_digests.py ${depends}
    COMMENT "Listing the accepted base image digests"
    VERBATIM)
endfunction()

set_property(GLOBAL PROPERTY VESK_PAYLOAD_PATCH ${_patch})
set_property(GLOBAL PROPERTY VESK_PAYLOAD_TOOL ${_tool})
set_property(GLOBAL PROPERTY VESK_PAYLOAD_BASE_IMAGE "${_base_image}")
set_property(GLOBAL PROPERTY VESK_PAYLOAD_NEW_IMAGE "${_new_image}")
set_property(GLOBAL PROPERTY VESK_PAYLOAD_CARRIES_BASE_IMAGE ${_carried})

function(vesk_payload_resource_script output)
  get_property(patch GLOBAL PROPERTY VESK_PAYLOAD_PATCH)
  get_property(tool GLOBAL PROPERTY VESK_PAYLOAD_TOOL)
  get_property(base GLOBAL PROPERTY VESK_PAYLOAD_BASE_IMAGE)
  set(file_5 ${patch})
  set(file_6 ${base})
  set(file_7 ${tool})
  string(CONCAT lines "// Payload resources, written by the build. Do not edit.\n#include <winresrc.h>\n"
                "LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US\n")
  set(files)
  foreach(id IN LISTS ARGN)
    if(NOT id MATCHES "^[567]$")
      message(FATAL_ERROR "vesk_payload_resource_script: ${id} is not a payload resource (5, 6, 7)")
    endif()
    if(NOT file_${id})
      message(FATAL_ERROR "vesk_payload_resource_script: the payload has no file for resource ${id}")
    endif()
    string(APPEND lines "${id} RCDATA \"${file_${id}}\"\n")
    list(APPEND files ${file_${id}})
  endforeach()
  file(CONFIGURE OUTPUT ${output} CONTENT "${lines}" @ONLY)
  set_property(SOURCE ${output} APPEND PROPERTY OBJECT_DEPENDS ${files})
endfunction()
