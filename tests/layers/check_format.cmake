cmake_minimum_required(VERSION 3.25)
# Fails when a C++ file of the program, its tests or its tools is not laid
# out as .clang-format says. Run as:
#   cmake -DSOURCE_DIR=<top> -DCLANG_FORMAT=<clang-format> -P check_format.cmake
set(folders sim files platform picture shape tilt widgets clip render input app ui tests bench fuzz assets)
set(sources "")
foreach(folder IN LISTS folders)
  file(GLOB_RECURSE found ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  list(APPEND sources ${found})
endforeach()
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror --style=file ${sources}
                WORKING_DIRECTORY ${SOURCE_DIR}
                RESULT_VARIABLE status ERROR_VARIABLE complaints)
if(NOT status EQUAL 0)
  string(REGEX MATCHALL "[^\n]*: error: code should be clang-formatted[^\n]*" lines "${complaints}")
  list(REMOVE_DUPLICATES lines)
  list(JOIN lines "\n" text)
  message(FATAL_ERROR "not laid out as .clang-format says (run clang-format -i on them):\n${text}")
endif()
list(LENGTH sources count)
message(STATUS "${count} files follow .clang-format")
