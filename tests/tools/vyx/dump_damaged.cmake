# Runs vyx as a user does: the demo writes a file, dump reads it (exit 0), a
# truncated copy (exit 1 and the error with its offset), no file (exit 2);
# then compress, dump and decompress the file, and a cut compressed copy.
file(REMOVE_RECURSE ${WORK_DIR})

function(run expected)
  execute_process(COMMAND ${VYX} ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE out
                  ERROR_VARIABLE err)
  if(NOT code STREQUAL "${expected}")
    message(FATAL_ERROR "vyx ${ARGN}: exit code ${code}, expected ${expected}\n${out}\n${err}")
  endif()
  set(last_out "${out}" PARENT_SCOPE)
  set(last_err "${err}" PARENT_SCOPE)
endfunction()

run(0 demo ${WORK_DIR})
run(0 dump ${WORK_DIR}/demo.vyx)
if(NOT last_out MATCHES "object #1 VyxDemoScene" OR NOT last_out MATCHES "ref #")
  message(FATAL_ERROR "dump shows no scene:\n${last_out}")
endif()

# Three quarters of the file: it ends inside an object.
file(SIZE ${WORK_DIR}/demo.vyx size)
math(EXPR half "${size} * 3 / 4")
execute_process(COMMAND head -c ${half} ${WORK_DIR}/demo.vyx OUTPUT_FILE ${WORK_DIR}/cut.vyx
                RESULT_VARIABLE code)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "cannot cut the file")
endif()
run(1 dump ${WORK_DIR}/cut.vyx)
if(NOT last_out MATCHES "error at offset ${half}:" OR NOT last_err MATCHES "error at offset")
  message(FATAL_ERROR "the damage is not reported:\n${last_out}\n${last_err}")
endif()

run(1 dump ${WORK_DIR}/missing.vyx)
run(2 dump)
run(2 dump --bogus ${WORK_DIR}/demo.vyx)
run(0 dump --help)
run(2)

# Compressed: the file compressed as a compressed pstream stores it, read by
# dump, decompressed to the same bytes; a cut copy fails and leaves nothing.
run(0 compress -9 ${WORK_DIR}/demo.vyx ${WORK_DIR}/demo.vyz)
run(0 dump ${WORK_DIR}/demo.vyz)
if(NOT last_out MATCHES "compressed pstream of" OR NOT last_out MATCHES "object #1 VyxDemoScene")
  message(FATAL_ERROR "dump does not read the compressed file:\n${last_out}")
endif()
run(0 decompress ${WORK_DIR}/demo.vyz ${WORK_DIR}/back.vyx)
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK_DIR}/demo.vyx ${WORK_DIR}/back.vyx
                RESULT_VARIABLE code)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "decompress does not give back the bytes compressed")
endif()
file(SIZE ${WORK_DIR}/demo.vyz size)
math(EXPR most "${size} - 2")
execute_process(COMMAND head -c ${most} ${WORK_DIR}/demo.vyz OUTPUT_FILE ${WORK_DIR}/cut.vyz)
run(1 decompress ${WORK_DIR}/cut.vyz ${WORK_DIR}/cut.out)
if(EXISTS ${WORK_DIR}/cut.out OR NOT last_err MATCHES "damaged or cut short")
  message(FATAL_ERROR "a cut compressed file is not an error:\n${last_err}")
endif()
run(1 dump ${WORK_DIR}/cut.vyz)
run(2 compress -0 ${WORK_DIR}/demo.vyx ${WORK_DIR}/x)
run(2 decompress ${WORK_DIR}/demo.vyz)
run(0 compress --help)
