# Tests of the demodulator config area.
vek_add_test(test_config_manager SOURCES ${CMAKE_CURRENT_LIST_DIR}/config_manager_test.cpp LIBS vek_ofdm_demod)
vek_add_test(test_reference_data SOURCES ${CMAKE_CURRENT_LIST_DIR}/reference_data_test.cpp LIBS vek_ofdm_demod)
vek_add_test(test_presets
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/presets_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/reference_consistency_test.cpp
  LIBS vek_ofdm_demod)
vek_add_test(test_settings_xml SOURCES ${CMAKE_CURRENT_LIST_DIR}/settings_xml_test.cpp LIBS vek_ofdm_demod pugixml::pugixml)
