# The installed-headers test: installs the build into a fresh prefix under WORK_DIR, then
# configures and builds the project beside this script against it.
# -DBUILD_DIR=<build of Qel> -DWORK_DIR=<scratch folder> -DGENERATOR=<generator>
# -DCXX=<compiler> [-DLAUNCHER=<compiler launcher>]
file(REMOVE_RECURSE ${WORK_DIR})
get_filename_component(here ${CMAKE_CURRENT_LIST_FILE} DIRECTORY)

function(step what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed:\n${out}")
  endif()
endfunction()

step("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix)
set(launcher)
if(LAUNCHER)
  set(launcher -DCMAKE_CXX_COMPILER_LAUNCHER=${LAUNCHER})
endif()
step("configure" ${CMAKE_COMMAND} -S ${here} -B ${WORK_DIR}/build -G ${GENERATOR}
  -DCMAKE_CXX_COMPILER=${CXX} ${launcher} -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix
  -DQEL_HEADER_LIST=${BUILD_DIR}/qel-installed-headers.txt)
step("compiling the installed headers" ${CMAKE_COMMAND} --build ${WORK_DIR}/build)
