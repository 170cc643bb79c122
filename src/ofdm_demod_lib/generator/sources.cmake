# Reference transmitter and impairment channel.
list(APPEND VEK_DEMOD_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_constellation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_frame_generator.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_impairment_channel.cpp
)
