# The minisign public keys the program trusts, built in: COPYLOOM_TRUSTED_KEYS
# lists key files (minisign -G's .pub) or their base64 lines. A build that
# is not a release also makes a test key (build/kit-keys/, with minisign, no
# password) that signs the sample kit and that it trusts. One key for every
# preset of the checkout, so that the Linux build installs the Windows build's
# kit and the other way round,
# and a second key the tests sign with as "another key".
#
# A release (COPYLOOM_RELEASE=ON, as scripts/package.sh builds) never
# trusts a test key: none is made or added, a key file from a kit-keys folder
# stops the configuration, and `copyloom --version` names a build that
# trusts its test key.
option(COPYLOOM_RELEASE "A release build: trusts only COPYLOOM_TRUSTED_KEYS" OFF)
set(COPYLOOM_TRUSTED_KEYS "" CACHE STRING "Trusted minisign public keys: .pub files or base64 lines")
find_program(COPYLOOM_MINISIGN minisign)

set(COPYLOOM_TEST_KEY_DIR ${CMAKE_SOURCE_DIR}/build/kit-keys)
set(COPYLOOM_TEST_KEY "")
set(trusted_lines "")
set(trusts_test_key false)

function(copyloom_key_line source out)
  if(EXISTS "${source}")
    file(STRINGS "${source}" lines REGEX "^RW")
    list(GET lines 0 line)
  else()
    set(line "${source}")
  endif()
  if(NOT line MATCHES "^RW[A-Za-z0-9+/]+=*$")
    message(FATAL_ERROR "not a minisign public key: ${source}")
  endif()
  set(${out} "${line}" PARENT_SCOPE)
endfunction()

if(NOT COPYLOOM_RELEASE)
  if(COPYLOOM_MINISIGN)
    file(MAKE_DIRECTORY ${COPYLOOM_TEST_KEY_DIR})
    foreach(name test other)
      if(NOT EXISTS ${COPYLOOM_TEST_KEY_DIR}/${name}.key)
        execute_process(COMMAND ${COPYLOOM_MINISIGN} -G -W -f -p ${name}.pub -s ${name}.key
                        WORKING_DIRECTORY ${COPYLOOM_TEST_KEY_DIR} OUTPUT_QUIET
                        RESULT_VARIABLE status)
        if(NOT status EQUAL 0)
          message(FATAL_ERROR "minisign could not make the test key ${name}")
        endif()
      endif()
    endforeach()
    set(COPYLOOM_TEST_KEY ${COPYLOOM_TEST_KEY_DIR}/test.key)
    copyloom_key_line(${COPYLOOM_TEST_KEY_DIR}/test.pub line)
    list(APPEND trusted_lines "${line}")
    set(trusts_test_key true)
  else()
    message(WARNING "minisign not found (scripts/setup.sh installs it): the sample kit is unsigned")
  endif()
endif()

foreach(key ${COPYLOOM_TRUSTED_KEYS})
  if(COPYLOOM_RELEASE AND key MATCHES "kit-keys")
    message(FATAL_ERROR "a release build trusts no test key: ${key}")
  endif()
  copyloom_key_line("${key}" line)
  list(APPEND trusted_lines "${line}")
endforeach()
if(COPYLOOM_RELEASE AND NOT trusted_lines)
  message(WARNING "a release build without COPYLOOM_TRUSTED_KEYS refuses every signed kit")
endif()

set(COPYLOOM_TRUSTED_KEY_TEXTS "")
foreach(line ${trusted_lines})
  string(APPEND COPYLOOM_TRUSTED_KEY_TEXTS "    \"${line}\",\n")
endforeach()
set(COPYLOOM_TRUSTS_TEST_KEY ${trusts_test_key})
configure_file(${CMAKE_CURRENT_LIST_DIR}/trusted_keys.h.in
               ${CMAKE_BINARY_DIR}/generated/trusted_keys.h @ONLY)
