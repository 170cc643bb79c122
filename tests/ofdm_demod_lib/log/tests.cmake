# Tests of the demodulator log area.
vek_add_test(test_ofdm_log SOURCES ${CMAKE_CURRENT_LIST_DIR}/ofdm_log_test.cpp LIBS vek_ofdm_demod)
