# Included by ctest: the tests of a gtest program, one ctest test per suite,
# since each start of the program costs more than most tests take. A suite
# runs its tests in one process, and its log still names each test that
# failed (`ctest -R '^CliTest$'`; one test: --gtest_filter on the program).
#   EXE       the test program
#   EMULATOR  what runs it (wine), or nothing
#   PREFIX    put before each name
set(suites "")
foreach(attempt 1 2 3)  # a Wine process now and then dies at start
  execute_process(COMMAND ${EMULATOR} ${EXE} --gtest_list_tests
                  OUTPUT_VARIABLE listing RESULT_VARIABLE status ERROR_QUIET)
  if(status EQUAL 0)
    string(REPLACE "\r" "" listing "${listing}")
    string(REPLACE "\n" ";" lines "${listing}")
    set(suite "")
    foreach(line IN LISTS lines)
      if(line MATCHES "^([^ #][^ ]*)\\.( |$)")
        set(suite "${CMAKE_MATCH_1}")
        list(APPEND suites "${suite}")
        set(cost_${suite} 0)
      elseif(suite AND line MATCHES "^  [^ ]")
        # Parameterized suites are sweeps over tables: count them heavier.
        if(suite MATCHES "/")
          math(EXPR cost_${suite} "${cost_${suite}} + 20")
        else()
          math(EXPR cost_${suite} "${cost_${suite}} + 1")
        endif()
      endif()
    endforeach()
    break()
  endif()
endforeach()
if(NOT suites)
  # Nothing listed is a failure, never an empty pass.
  add_test("${PREFIX}ListsItsTests" sh -c "echo '${EXE} listed no tests (exit ${status})'; exit 1")
  return()
endif()
foreach(suite IN LISTS suites)
  add_test("${PREFIX}${suite}" ${EMULATOR} ${EXE} "--gtest_filter=${suite}.*")
  # The largest first, so that no long one starts last.
  set_tests_properties("${PREFIX}${suite}" PROPERTIES TIMEOUT 900 COST ${cost_${suite}})
endforeach()
