# Sources of the demodulator log area.
list(APPEND VEK_DEMOD_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/ofdm_log.cpp
)
