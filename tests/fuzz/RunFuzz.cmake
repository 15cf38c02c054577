# cmake -DFUZZER=... -DSEEDS=dir -DWORK=dir -DRUNS=n -DSECONDS=s -P RunFuzz.cmake
# One seeded, bounded fuzzing run over the seed corpus, starting from an empty
# scratch corpus so that every run does the same.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus ${WORK}/artifacts)
execute_process(
  COMMAND ${FUZZER} -seed=1 -runs=${RUNS} -max_total_time=${SECONDS} -max_len=8192 -timeout=10
          -print_final_stats=1 -artifact_prefix=${WORK}/artifacts/ ${WORK}/corpus ${SEEDS}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the INI fuzzer failed (${result}); the input that broke it is in ${WORK}/artifacts")
endif()
