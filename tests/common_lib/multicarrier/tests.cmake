# Tests of the multicarrier family.
vek_add_test(test_multicarrier_ofdm
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ofdm_cyclic_config_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ofdm_symbol_generator_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ofdm_modulator_test.cpp
  LIBS vek_common)
vek_add_test(test_multicarrier_signals
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/multitone_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/multicarrier_test.cpp
  LIBS vek_common)
vek_add_test(test_multicarrier_cfr_ccdf
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ccdf_calculator_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/crest_factor_reduce_test.cpp
  LIBS vek_common)
