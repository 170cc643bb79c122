# Sources of the demodulator config area.
list(APPEND VEK_DEMOD_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_types.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_equality.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_resource_index.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_symbol_layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_config_manager.cpp
)
