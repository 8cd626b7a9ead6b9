# Configures, builds and installs only the libraries, with OpenCV hidden from
# find_package and every optional part off, then builds and runs the
# find_package client against that install.
file(REMOVE_RECURSE ${WORK_DIR})

include(${CMAKE_CURRENT_LIST_DIR}/step.cmake)

step(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build -DCMAKE_CXX_COMPILER=${CXX}
     -DGAUSSBOUND_BUILD_PROGRAMS=OFF -DGAUSSBOUND_BUILD_TESTS=OFF -DGAUSSBOUND_BUILD_BENCHMARKS=OFF
     -DGAUSSBOUND_BUILD_PYTHON=OFF -DCMAKE_DISABLE_FIND_PACKAGE_OpenCV=ON)
string(FIND "${output}" "OpenCV" opencv)
if(NOT opencv EQUAL -1)
  message(FATAL_ERROR "the libraries' configure mentions OpenCV:\n${output}")
endif()
step(${CMAKE_COMMAND} --build ${WORK_DIR}/build -j2)
step(${CMAKE_COMMAND} --install ${WORK_DIR}/build --prefix ${WORK_DIR}/prefix)
if(EXISTS ${WORK_DIR}/prefix/bin)
  message(FATAL_ERROR "programs were installed with GAUSSBOUND_BUILD_PROGRAMS=OFF")
endif()
step(${CMAKE_COMMAND} -S ${CLIENT_DIR} -B ${WORK_DIR}/client -DCMAKE_CXX_COMPILER=${CXX}
     -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix)
step(${CMAKE_COMMAND} --build ${WORK_DIR}/client)
step(${WORK_DIR}/client/analysis_client)
step(${WORK_DIR}/client/sweep_client)
step(${WORK_DIR}/client/client)
