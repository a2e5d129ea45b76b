# The distribution folder as a trader receives it, and its zip:
#   dist/Copyloom Setup/Signal Provider/Setup Signal Provider.exe  + package, vlcpy.sin, tag
#   dist/Copyloom Setup/Signal Receiver/Setup Signal Receiver.exe  + package, vlcpy.sin, tag
#   dist/Copyloom Setup/copyloom.exe
#   dist/copyloom-setup-<version>-win64.zip
set(COPYLOOM_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
set(dist_zip ${COPYLOOM_DIST_DIR}/copyloom-setup-${PROJECT_VERSION}-win64.zip)
add_custom_command(
  OUTPUT ${dist_zip}
  COMMAND ${CMAKE_COMMAND} -DDIST_DIR=${COPYLOOM_DIST_DIR} -DKIT_DIR=${CMAKE_BINARY_DIR}/kit
          -DSETUP_EXE=$<TARGET_FILE:copyloom-setup> -DCLI_EXE=$<TARGET_FILE:copyloom>
          -DZIP=${dist_zip} -P ${CMAKE_CURRENT_SOURCE_DIR}/make_dist.cmake
  DEPENDS copyloom-setup copyloom copyloom_kit ${CMAKE_BINARY_DIR}/kit-build/kit.stamp
          ${CMAKE_CURRENT_SOURCE_DIR}/make_dist.cmake
  COMMENT "Laying out the distribution folder and zip in ${COPYLOOM_DIST_DIR}"
  VERBATIM)
add_custom_target(copyloom_dist ALL DEPENDS ${dist_zip})
