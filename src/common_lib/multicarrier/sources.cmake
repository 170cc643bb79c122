# Sources of the multicarrier family.
list(APPEND VEK_COMMON_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_cyclic_config.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_symbol_data_generator.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_modulator.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_multitone.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_multicarrier.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_crest_factor_reduce_setting.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_crest_factor_reduce.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ccdf_calculator.cpp
)
