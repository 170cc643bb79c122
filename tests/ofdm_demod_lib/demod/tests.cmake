# Tests of the demodulator demod area.
vek_add_test(test_demod_measure
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/slicers_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/measurement_test.cpp
  LIBS vek_ofdm_demod)
vek_add_test(test_demod_timing SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/reference_waveforms_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/symbol_demod_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fine_timing_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/timing_presets_test.cpp
  LIBS vek_ofdm_demod)
vek_add_test(test_demod_equalizer SOURCES ${CMAKE_CURRENT_LIST_DIR}/equalizer_test.cpp LIBS vek_ofdm_demod)
vek_add_test(test_demod_tracking SOURCES ${CMAKE_CURRENT_LIST_DIR}/tracking_test.cpp LIBS vek_ofdm_demod)
vek_add_test(test_demod_dumps SOURCES ${CMAKE_CURRENT_LIST_DIR}/dumps_test.cpp LIBS vek_ofdm_demod)
