# Compresses INPUT into OUTPUT the way Debian wants shipped documentation compressed: gzip at
# maximum compression without the name and time stamp, so that the same input gives the same
# bytes. Run at build time with -DINPUT -DOUTPUT.
find_program(_gzip gzip REQUIRED)
execute_process(COMMAND ${_gzip} -9 -n -c "${INPUT}" OUTPUT_FILE "${OUTPUT}.tmp" RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
    file(REMOVE "${OUTPUT}.tmp")
    message(FATAL_ERROR "gzip failed on ${INPUT}")
endif()
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
