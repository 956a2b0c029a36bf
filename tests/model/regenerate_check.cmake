# Runs the duck generator into a scratch file and compares it byte for byte
# with the committed tables.
execute_process(COMMAND ${GENERATOR} ${OUTPUT} --quiet RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the generator failed (${rc})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${COMMITTED} RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
  message(FATAL_ERROR "${COMMITTED} differs from what the generator writes now (${OUTPUT})")
endif()
