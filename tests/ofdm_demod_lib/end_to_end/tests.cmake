# End-to-end demodulation of generated captures through the facade.
vek_add_test(test_end_to_end SOURCES ${CMAKE_CURRENT_LIST_DIR}/end_to_end_test.cpp LIBS vek_ofdm_demod)
