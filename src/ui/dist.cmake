# The distribution folder as a trader receives it, and its zip:
#   dist/Copyloom Setup/Signal Provider/Setup Signal Provider.exe  + package, vlcpy.sin, tag
#   dist/Copyloom Setup/Signal Receiver/Setup Signal Receiver.exe  + package, vlcpy.sin, tag
#   (each beside its 32-bit build "Setup Signal <side> (32-bit).exe", for win32
#   prefixes, when the windows-i686 preset has built it)
#   dist/Copyloom Setup/copyloom.exe
#   dist/copyloom-setup-<version>-win64.zip
# A build that trusts its test key says so in the zip's name
# (...-win64-test-key.zip): its programs take a kit anyone with the
# checkout's key signed, so it is no zip to hand out. A release build
# (COPYLOOM_RELEASE=ON) makes the plain name.
set(COPYLOOM_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
set(dist_suffix "")
if(COPYLOOM_TRUSTS_TEST_KEY)
  set(dist_suffix "-test-key")
endif()
set(dist_zip ${COPYLOOM_DIST_DIR}/copyloom-setup-${PROJECT_VERSION}-win64${dist_suffix}.zip)
set(COPYLOOM_SETUP_EXE_32 ${PROJECT_SOURCE_DIR}/build/windows-i686/src/ui/copyloom-setup.exe
    CACHE FILEPATH "The 32-bit window program the distribution carries too")
set(setup_32_depends "")
if(EXISTS ${COPYLOOM_SETUP_EXE_32})
  set(setup_32_depends ${COPYLOOM_SETUP_EXE_32})
endif()
add_custom_command(
  OUTPUT ${dist_zip}
  COMMAND ${CMAKE_COMMAND} -DDIST_DIR=${COPYLOOM_DIST_DIR} -DKIT_DIR=${CMAKE_BINARY_DIR}/kit
          -DSETUP_EXE=$<TARGET_FILE:copyloom-setup> -DCLI_EXE=$<TARGET_FILE:copyloom>
          -DSETUP_EXE_32=${setup_32_depends}
          -DZIP=${dist_zip} -P ${CMAKE_CURRENT_SOURCE_DIR}/make_dist.cmake
  DEPENDS copyloom-setup copyloom copyloom_kit ${setup_32_depends} ${CMAKE_BINARY_DIR}/kit-build/kit.stamp
          ${CMAKE_CURRENT_SOURCE_DIR}/make_dist.cmake
  COMMENT "Laying out the distribution folder and zip in ${COPYLOOM_DIST_DIR}"
  VERBATIM)
add_custom_target(copyloom_dist ALL DEPENDS ${dist_zip})
