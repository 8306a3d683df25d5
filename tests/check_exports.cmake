# Fails unless the plug-in's dynamic symbol table defines exactly
# VantroDispatchQueryInterface.
execute_process(COMMAND nm -D --defined-only ${PLUGIN}
  OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${PLUGIN}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${symbols}")
set(defined "")
foreach(line ${lines})
  string(REGEX REPLACE "^[0-9a-fA-F]* *[A-Za-z] " "" name "${line}")
  list(APPEND defined ${name})
endforeach()
if(NOT defined STREQUAL "VantroDispatchQueryInterface")
  message(FATAL_ERROR "exported symbols: ${defined}")
endif()
message(STATUS "exports: ${defined}")
