# Installs the build tree into a fresh prefix, then configures, builds and
# runs the client project in this folder against it.
file(REMOVE_RECURSE ${WORK_DIR})

include(${CMAKE_CURRENT_LIST_DIR}/step.cmake)

step(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix)
step(${CMAKE_COMMAND} -S ${CLIENT_DIR} -B ${WORK_DIR}/build -DCMAKE_CXX_COMPILER=${CXX}
     -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix "-DCMAKE_CXX_FLAGS=${CLIENT_FLAGS}"
     "-DCMAKE_EXE_LINKER_FLAGS=${CLIENT_FLAGS}")
step(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
step(${WORK_DIR}/build/analysis_client)
step(${WORK_DIR}/build/sweep_client)
step(${WORK_DIR}/build/client)

foreach(expected "minimum: beta = 0.5741000175476074, e^-k = 0.864736573750916"
                 "Bhattacharyya exponent k(1/2) = 0.1422248517824068")
  string(FIND "${output}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "client output lacks '${expected}':\n${output}")
  endif()
endforeach()
