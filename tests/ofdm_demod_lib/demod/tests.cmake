# Tests of the demodulator demod area.
vek_add_test(test_demod_measure
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/slicers_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/measurement_test.cpp
  LIBS vek_ofdm_demod)
