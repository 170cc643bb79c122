# Benchmarks of the demodulator: stages and per-cell routines.
vek_add_bench(bench_demod_measure ${CMAKE_CURRENT_LIST_DIR}/slicers_bench.cpp)
vek_add_bench(bench_demod_timing ${CMAKE_CURRENT_LIST_DIR}/timing_bench.cpp)
vek_add_bench(bench_demod_input ${CMAKE_CURRENT_LIST_DIR}/input_bench.cpp)
# Whole runs of every preset against the FFT floor, and the share of each stage.
vek_add_bench(bench_demod_run ${CMAKE_CURRENT_LIST_DIR}/whole_run_bench.cpp)
vek_add_bench(bench_demod_stages ${CMAKE_CURRENT_LIST_DIR}/stage_bench.cpp)
foreach(target bench_demod_run bench_demod_stages)
  target_compile_definitions(${target} PRIVATE VEK_BENCH_DATA_DIR="${VEK_SOURCE_DATA_DIR}")
endforeach()
