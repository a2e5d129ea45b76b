# While the layers are being written in parallel, a listed source that does
# not exist yet is skipped with a note instead of breaking every build.
function(copyloom_sources target)
  foreach(f ${ARGN})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${f})
      target_sources(${target} PRIVATE ${f})
    else()
      message(STATUS "not yet written: ${CMAKE_CURRENT_SOURCE_DIR}/${f}")
    endif()
  endforeach()
endfunction()
