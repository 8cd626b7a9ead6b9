# gaussbound_library(NAME): the static library NAME from NAME.cpp in the
# calling folder, usable as gaussbound::NAME in this build and from an
# install, with NAME.h installed as <gaussbound/NAME.h>.
function(gaussbound_library name)
  add_library(${name} STATIC ${name}.cpp)
  add_library(gaussbound::${name} ALIAS ${name})
  target_include_directories(${name} PUBLIC
    $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  install(TARGETS ${name} EXPORT gaussboundTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(FILES ${name}.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/gaussbound)
endfunction()
