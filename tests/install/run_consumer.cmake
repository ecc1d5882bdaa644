# Installs the build tree into a scratch prefix, then builds and runs a tiny
# consumer twice: once through find_package(vyx CONFIG) and once through the
# pkg-config file.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "install failed")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/install/consumer
                        -B ${WORK_DIR}/build -G ${GENERATOR}
                        -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_PREFIX_PATH=${prefix}
                        -DCMAKE_CXX_FLAGS=${FLAGS} -DCMAKE_EXE_LINKER_FLAGS=${FLAGS}
                RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "consumer configure failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/build RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "consumer build failed")
endif()
execute_process(COMMAND ${WORK_DIR}/build/consumer RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "consumer (find_package) failed")
endif()

# pkg-config form: compile the same source with the flags the .pc file gives.
find_program(PKG_CONFIG pkg-config)
if(PKG_CONFIG)
  file(GLOB_RECURSE pcfile ${prefix}/vyx-base.pc)
  get_filename_component(pcdir ${pcfile} DIRECTORY)
  set(ENV{PKG_CONFIG_PATH} ${pcdir})
  execute_process(COMMAND ${PKG_CONFIG} --cflags --libs vyx-math
                  OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
  if(rc)
    message(FATAL_ERROR "pkg-config failed")
  endif()
  separate_arguments(flags UNIX_COMMAND "${flags}")
  separate_arguments(extra UNIX_COMMAND "${FLAGS}")
  execute_process(COMMAND ${CXX} -std=c++20 ${extra} ${SOURCE_DIR}/tests/install/consumer/main.cpp
                          ${flags} -Wl,-rpath,${prefix}/lib -o ${WORK_DIR}/consumer_pc
                  RESULT_VARIABLE rc)
  if(rc)
    message(FATAL_ERROR "consumer (pkg-config) build failed")
  endif()
  execute_process(COMMAND ${WORK_DIR}/consumer_pc RESULT_VARIABLE rc)
  if(rc)
    message(FATAL_ERROR "consumer (pkg-config) failed")
  endif()
endif()
