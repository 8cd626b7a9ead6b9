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

# A model file read, analysed and written by the installed libraries alone
# gives the bytes the installed bounds prints for it.
step(${WORK_DIR}/prefix/bin/bounds --mu1 0,0,0 --mu2 1,2,3 --sigma1 2,0.5,0,0.5,1,0,0,0,1
     --sigma2 1,0,0,0,3,0,0,0,0.5 --priors 0.3,0.7 --json)
file(WRITE ${WORK_DIR}/model.json "${output}")
step(${WORK_DIR}/prefix/bin/bounds --model ${WORK_DIR}/model.json --json)
set(expected "${output}")
step(${WORK_DIR}/build/report_client ${WORK_DIR}/model.json)
if(NOT output STREQUAL expected)
  message(FATAL_ERROR "report_client printed\n${output}\nwhere bounds --json prints\n${expected}")
endif()
