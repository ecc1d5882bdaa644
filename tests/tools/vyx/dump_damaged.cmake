# Runs vyx as a user does: the demo writes a file, dump reads it (exit 0), a
# truncated copy (exit 1 and the error with its offset), no file (exit 2).
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
