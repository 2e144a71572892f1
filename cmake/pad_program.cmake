# Makes the shipped viewer: the built program stripped and padded with zero
# bytes to exactly LENGTH bytes, so that a container appended to it starts at
# LENGTH. Fails when the stripped program is longer.
# cmake -DINPUT=... -DOUTPUT=... -DLENGTH=... -DOBJCOPY=... -P pad_program.cmake
execute_process(COMMAND "${OBJCOPY}" --strip-all "${INPUT}" "${OUTPUT}.tmp" RESULT_VARIABLE stripped)
if(NOT stripped EQUAL 0)
  message(FATAL_ERROR "cannot strip ${INPUT}")
endif()
file(SIZE "${OUTPUT}.tmp" size)
if(size GREATER LENGTH)
  file(REMOVE "${OUTPUT}.tmp")
  message(FATAL_ERROR "the viewer program is ${size} bytes, longer than ${LENGTH}")
endif()
execute_process(COMMAND truncate -s "${LENGTH}" "${OUTPUT}.tmp" RESULT_VARIABLE padded)
if(NOT padded EQUAL 0)
  message(FATAL_ERROR "cannot pad ${OUTPUT}")
endif()
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
file(CHMOD "${OUTPUT}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
