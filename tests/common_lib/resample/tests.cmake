# Tests of the resample family.
vek_add_test(test_resample SOURCES ${CMAKE_CURRENT_LIST_DIR}/lib_resampler_test.cpp LIBS vek_common)
