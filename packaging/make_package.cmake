# Writes the Octave package quarnel-<version>.tar.gz, in the layout that
# pkg install takes, into OUTPUT_DIR (default: the working directory):
#
#   cmake [-DVERSION=x.y.z] [-DOUTPUT_DIR=dir] -P packaging/make_package.cmake
#
# VERSION defaults to the one in project() of the top CMakeLists.txt.

get_filename_component(root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

if(NOT DEFINED VERSION)
  file(STRINGS "${root}/CMakeLists.txt" project_line
       REGEX "^project\\(quarnel VERSION [0-9.]+")
  string(REGEX MATCH "[0-9]+(\\.[0-9]+)*" VERSION "${project_line}")
  if(NOT VERSION)
    message(FATAL_ERROR "no project version in ${root}/CMakeLists.txt")
  endif()
endif()
if(NOT DEFINED OUTPUT_DIR)
  set(OUTPUT_DIR "${CMAKE_CURRENT_BINARY_DIR}")
endif()
get_filename_component(OUTPUT_DIR "${OUTPUT_DIR}" ABSOLUTE)

set(name "quarnel-${VERSION}")
set(stage "${OUTPUT_DIR}/${name}-stage")
set(top "${stage}/${name}")
file(REMOVE_RECURSE "${stage}")

# string(TIMESTAMP) takes SOURCE_DATE_EPOCH when it is set.
string(TIMESTAMP DATE "%Y-%m-%d" UTC)
configure_file("${CMAKE_CURRENT_LIST_DIR}/DESCRIPTION.in" "${top}/DESCRIPTION" @ONLY)
configure_file("${root}/COPYING" "${top}/COPYING" COPYONLY)
configure_file("${root}/gateway/quarnel.m" "${top}/inst/quarnel.m" COPYONLY)
configure_file("${root}/gateway/quarnel_write.m" "${top}/inst/quarnel_write.m" COPYONLY)
configure_file("${root}/gateway/quarnel_info.m" "${top}/inst/quarnel_info.m" COPYONLY)
# The check of an installed build: a function of its own, not a module's
# help, so it stays in inst/, on the path once the package is loaded.
configure_file("${root}/gateway/quarnel_selftest.m" "${top}/inst/quarnel_selftest.m" COPYONLY)
configure_file("${CMAKE_CURRENT_LIST_DIR}/Makefile" "${top}/src/Makefile" COPYONLY)
# The sources alone: the help ships once, in inst/.
file(COPY "${root}/gateway" "${root}/io" "${root}/compression" "${root}/numbers" "${root}/platform"
          "${root}/reader" "${root}/writer"
     DESTINATION "${top}/src"
     PATTERN "*.m" EXCLUDE)

set(tarball "${OUTPUT_DIR}/${name}.tar.gz")
execute_process(COMMAND "${CMAKE_COMMAND}" -E tar czf "${tarball}" "${name}"
                WORKING_DIRECTORY "${stage}" RESULT_VARIABLE status)
file(REMOVE_RECURSE "${stage}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "could not write ${tarball}")
endif()
message(STATUS "Octave package: ${tarball}")
