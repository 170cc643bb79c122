# Tests of the demodulator config area.
vek_add_test(test_config_manager
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/config_setters_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/symbol_layout_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/resource_index_test.cpp
  LIBS vek_ofdm_demod)
vek_add_test(test_reference_data
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/reference_files_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/resource_maps_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ref_resource_data_test.cpp
  LIBS vek_ofdm_demod)
# The tokeniser's limit is tested directly through its internal header.
target_include_directories(test_reference_data PRIVATE ${PROJECT_SOURCE_DIR}/src/ofdm_demod_lib/config)
vek_add_test(test_presets
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/presets_test.cpp
  LIBS vek_ofdm_demod)
