# Sources of the demodulator: facade, pipeline driver and one file per stage.
list(APPEND VEK_DEMOD_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_demod.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_reference_waveforms.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_fine_timing.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_interpolation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_freq_error.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_power_threshold.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_symbol_demod.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_slicers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_slicers_qam.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_ideal_points.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_measurement.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_equalizer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_tracking.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_rotator_ramp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_cell_arith_wide.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_input_conditioning.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_filtering.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_channel_power.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_frame_sync.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_sync_scores.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_sync_correlation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_window_sums.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_dumps.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_ofdm_dumps_cfg.cpp
)
