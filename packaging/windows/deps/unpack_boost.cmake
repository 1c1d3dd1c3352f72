# The part of Boost's large source archive that the build needs, unpacked into SOURCE:
# every library's headers, the build system's files, and the build files and sources of
# the LIBRARIES (comma-separated) that are compiled.
#   cmake -D ARCHIVE=FILE -D SOURCE=DIR -D LIBRARIES=thread,chrono -P unpack_boost.cmake
cmake_minimum_required(VERSION 3.25)
set(parts boost/Jamroot boost/boostcpp.jam boost/LICENSE_1_0.txt "boost/tools/boost_install/*"
  "boost/libs/config/checks/*" "boost/libs/headers/build/*" "boost/libs/*/include/*")
string(REPLACE "," ";" libraries "${LIBRARIES}")
foreach(library IN LISTS libraries)
  list(APPEND parts "boost/libs/${library}/build/*" "boost/libs/${library}/src/*")
endforeach()
file(MAKE_DIRECTORY "${SOURCE}")
execute_process(COMMAND tar -xf "${ARCHIVE}" -C "${SOURCE}" --strip-components=1 --wildcards
  ${parts} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "could not unpack Boost's parts from ${ARCHIVE}")
endif()
