# Benchmarks of the demodulator's stages.
vek_add_bench(bench_demod_input ${CMAKE_CURRENT_LIST_DIR}/input_bench.cpp)
