# gaussbound_options(TARGET): the flags every target of this project gets,
# privately: the warnings, and no contraction into fused multiply-add, since
# the stated results are exact IEEE double/float figures.
function(gaussbound_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -ffp-contract=off)
endfunction()

# gaussbound_executable(NAME source...): a program, test or benchmark of this
# project, with gaussbound_options.
function(gaussbound_executable name)
  add_executable(${name} ${ARGN})
  gaussbound_options(${name})
endfunction()

# gaussbound_library(NAME [SOURCES file...] [HEADER_DIR dir]): the static
# library NAME, usable as gaussbound::NAME in this build and from an install.
# Without SOURCES it is NAME.cpp in the calling folder with NAME.h installed as
# <gaussbound/NAME.h>; with HEADER_DIR, the headers already stand in
# dir/gaussbound/ and are installed from there.
function(gaussbound_library name)
  cmake_parse_arguments(arg "" "HEADER_DIR" "SOURCES" ${ARGN})
  if(NOT arg_SOURCES)
    set(arg_SOURCES ${name}.cpp)
  endif()
  add_library(${name} STATIC ${arg_SOURCES})
  add_library(gaussbound::${name} ALIAS ${name})
  gaussbound_options(${name})
  if(arg_HEADER_DIR)
    target_include_directories(${name} PUBLIC
      $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/${arg_HEADER_DIR}>
      $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
    install(DIRECTORY ${arg_HEADER_DIR}/gaussbound DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  else()
    target_include_directories(${name} PUBLIC
      $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}>
      $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
    install(FILES ${name}.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/gaussbound)
  endif()
  install(TARGETS ${name} EXPORT gaussboundTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
endfunction()
