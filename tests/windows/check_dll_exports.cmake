# Fails unless the DLL's export table holds exactly one entry, exported by
# the name VantroDispatchQueryInterface.
execute_process(COMMAND ${OBJDUMP} -p ${PLUGIN} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p failed on ${PLUGIN}")
endif()
# Entries of the export address table ("[   0] +base[   1] 10a0 Export RVA"),
# and names of the name pointer table ("[   0] VantroDispatchQueryInterface").
string(REGEX MATCHALL "\\[ *[0-9]+\\] \\+base\\[ *[0-9]+\\] [0-9a-fA-F]+ Export RVA" addresses "${dump}")
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)*" name_table "${dump}")
string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" names "${name_table}")
list(TRANSFORM names REPLACE "^\\[ *[0-9]+\\] " "")
list(LENGTH addresses address_count)
message(STATUS "exports of ${PLUGIN}: ${names} (${address_count} export address entries)")
if(NOT names STREQUAL "VantroDispatchQueryInterface" OR NOT address_count EQUAL 1)
  message(FATAL_ERROR "expected exactly VantroDispatchQueryInterface, found: ${names} "
                      "with ${address_count} export address entries")
endif()
