# Benchmarks of the demodulator: stages and per-cell routines.
vek_add_bench(bench_demod_measure ${CMAKE_CURRENT_LIST_DIR}/slicers_bench.cpp)
vek_add_bench(bench_demod_timing ${CMAKE_CURRENT_LIST_DIR}/timing_bench.cpp)
vek_add_bench(bench_demod_input ${CMAKE_CURRENT_LIST_DIR}/input_bench.cpp)
