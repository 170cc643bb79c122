# End-to-end demodulation of generated captures through the facade.
vek_add_test(test_end_to_end
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/clean_frame_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/impaired_frame_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/worked_example_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/repeated_runs_test.cpp
  LIBS vek_ofdm_demod)
