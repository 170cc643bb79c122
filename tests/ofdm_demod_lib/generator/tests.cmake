# Tests of the reference transmitter and the impairment channel.
vek_add_test(test_generator
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/frame_generator_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/impairment_channel_test.cpp
  LIBS vek_ofdm_demod)
