# Tests of the demodulator config area.
vek_add_test(test_config_manager
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/config_setters_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/symbol_layout_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/resource_index_test.cpp
  LIBS vek_ofdm_demod)
