# Runs one fuzz target: seeds copied into its working corpus (which keeps what earlier runs
# found), then libFuzzer for SECONDS seconds. A crash or a failed property leaves the input in
# ARTIFACTS and fails the test.
foreach(var FUZZER SEEDS WORK ARTIFACTS SECONDS)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "run_fuzzer.cmake: ${var} is not set")
    endif()
endforeach()

file(MAKE_DIRECTORY ${WORK} ${ARTIFACTS})
file(GLOB seeds ${SEEDS}/*)
if(NOT seeds)
    message(FATAL_ERROR "no seed inputs in ${SEEDS}")
endif()
file(COPY ${seeds} DESTINATION ${WORK})

execute_process(
    COMMAND ${FUZZER} -max_total_time=${SECONDS} -print_final_stats=1
            -artifact_prefix=${ARTIFACTS}/ ${WORK}
    RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${FUZZER} failed (${rc}); the input is in ${ARTIFACTS}")
endif()
