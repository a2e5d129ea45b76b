# Adds sources to a target, stopping the configuration with a clear message
# when a listed file is missing.
function(copyloom_sources target)
  foreach(f ${ARGN})
    if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${f})
      message(FATAL_ERROR "missing source: ${CMAKE_CURRENT_SOURCE_DIR}/${f}")
    endif()
    target_sources(${target} PRIVATE ${f})
  endforeach()
endfunction()
