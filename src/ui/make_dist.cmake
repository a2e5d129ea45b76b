# Lays out the distribution folder and zips it (cmake -P). Inputs: DIST_DIR,
# KIT_DIR, SETUP_EXE, CLI_EXE, ZIP; SETUP_EXE_32 when there is a 32-bit build. Starts from an empty folder so that no
# stale file ships.
set(root "${DIST_DIR}/Copyloom Setup")
file(REMOVE_RECURSE "${root}")
file(REMOVE "${ZIP}")
file(GLOB tags "${KIT_DIR}/vlcpy*.tag")
foreach(side Provider Receiver)
  # The program names its side; it installs the package it stands in.
  set(folder "${root}/Signal ${side}")
  file(MAKE_DIRECTORY "${folder}")
  file(COPY "${KIT_DIR}/Signal ${side}/" DESTINATION "${folder}")
  file(COPY_FILE "${SETUP_EXE}" "${folder}/Setup Signal ${side}.exe")
  if(SETUP_EXE_32)
    file(COPY_FILE "${SETUP_EXE_32}" "${folder}/Setup Signal ${side} (32-bit).exe")
  endif()
  file(COPY "${KIT_DIR}/vlcpy.sin" ${tags} DESTINATION "${folder}")
endforeach()
file(COPY_FILE "${CLI_EXE}" "${root}/copyloom.exe")
# Authenticode for the three programs when a certificate is given
# (COPYLOOM_SIGN_PKCS12, or COPYLOOM_SIGN_CERT and COPYLOOM_SIGN_KEY).
if(DEFINED ENV{COPYLOOM_SIGN_PKCS12} OR DEFINED ENV{COPYLOOM_SIGN_CERT})
  file(GLOB_RECURSE programs "${root}/*.exe")
  execute_process(COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/../../scripts/sign-exe.sh" ${programs}
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "could not sign the programs of ${root}")
  endif()
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf "${ZIP}" --format=zip "Copyloom Setup"
                WORKING_DIRECTORY "${DIST_DIR}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "could not zip ${root}")
endif()
