# Tests of the demodulator demod area.
vek_add_test(test_demod_input
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/input_filtering_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/input_conditioning_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/channel_power_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/frame_sync_test.cpp
  LIBS vek_ofdm_demod)
