# gaussbound_options(TARGET): the flags every target of this project gets,
# privately: the warnings, and no contraction into fused multiply-add, since
# the stated results are exact IEEE double/float figures.
function(gaussbound_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -ffp-contract=off)
endfunction()

# gaussbound_executable(NAME source...): a program, test or benchmark of this
# project, in C++17 with gaussbound_options.
function(gaussbound_executable name)
  add_executable(${name} ${ARGN})
  target_compile_features(${name} PRIVATE cxx_std_17)
  gaussbound_options(${name})
endfunction()

# gaussbound_library(NAME SOURCES file... [HEADERS file...]): the static
# library NAME, usable as gaussbound::NAME in this build and from an install,
# where it is libgaussbound_<name>.a. Its public headers stand in
# include/gaussbound/ of the calling folder and are included as
# <gaussbound/Header.h>, in the build and after install alike. HEADERS names
# headers kept elsewhere in the folder (the core's, which keep their place);
# they are copied into the build tree's include/gaussbound/ so that the same
# spelling serves, while "Header.h" keeps working for callers in the build.
function(gaussbound_library name)
  cmake_parse_arguments(arg "" "" "SOURCES;HEADERS" ${ARGN})
  add_library(${name} STATIC ${arg_SOURCES})
  add_library(gaussbound::${name} ALIAS ${name})
  string(TOLOWER ${name} lower)
  set_target_properties(${name} PROPERTIES OUTPUT_NAME gaussbound_${lower})
  target_compile_features(${name} PUBLIC cxx_std_17)
  # Position-independent, so that the Python module and the plot module can
  # link the libraries as well as programs can.
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  gaussbound_options(${name})
  if(arg_HEADERS)
    foreach(header ${arg_HEADERS})
      configure_file(${header} ${PROJECT_BINARY_DIR}/include/gaussbound/${header} COPYONLY)
      install(FILES ${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/gaussbound)
    endforeach()
    target_include_directories(${name} PUBLIC
      $<BUILD_INTERFACE:${PROJECT_BINARY_DIR}/include>
      $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}>
      $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  else()
    target_include_directories(${name} PUBLIC
      $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
      $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
    install(DIRECTORY include/gaussbound DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  endif()
  install(TARGETS ${name} EXPORT gaussboundTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
endfunction()
