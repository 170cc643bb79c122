# Sources of the demodulator config area.
list(APPEND VEK_DEMOD_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_types.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_equality.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_resource_index.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_symbol_layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_config_manager.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_resource_painting.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_map_builder_base.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_resource_map_manager.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_resource_mod_map_manager.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_ref_resource_data_vct_manager.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_number_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_reference_files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_protocol_preset.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_presets.cpp
)
