# Tests of the demodulator demod area.
vek_add_test(test_demod_measure
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/slicers_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/measurement_test.cpp
  LIBS vek_ofdm_demod)
# The slicer tests compare the run slicers with the per-cell deciders of the library's sources.
target_include_directories(test_demod_measure PRIVATE ${PROJECT_SOURCE_DIR}/src/ofdm_demod_lib/demod)
vek_add_test(test_demod_timing SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/reference_waveforms_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/symbol_demod_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fine_timing_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/timing_presets_test.cpp
  LIBS vek_ofdm_demod)
vek_add_test(test_demod_equalizer SOURCES ${CMAKE_CURRENT_LIST_DIR}/equalizer_test.cpp LIBS vek_ofdm_demod)
vek_add_test(test_demod_tracking SOURCES ${CMAKE_CURRENT_LIST_DIR}/tracking_test.cpp LIBS vek_ofdm_demod)
vek_add_test(test_demod_input
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/input_conditioning_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/channel_power_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/frame_sync_test.cpp
  LIBS vek_ofdm_demod)
vek_add_test(test_demod_fast_paths
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/fast_paths_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cell_arith_test.cpp
  LIBS vek_ofdm_demod)
vek_add_test(test_demod_dumps SOURCES ${CMAKE_CURRENT_LIST_DIR}/dumps_test.cpp LIBS vek_ofdm_demod)
vek_add_test(test_demod_driver SOURCES ${CMAKE_CURRENT_LIST_DIR}/driver_test.cpp LIBS vek_ofdm_demod_driver_lib)
# The driver program as a user runs it, without its capture: it must say so and exit normally.
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/tmp/driver_run)
add_test(NAME demod_driver_program_missing_capture
  COMMAND vek_ofdm_demod_driver --capture-dir ${CMAKE_CURRENT_BINARY_DIR}/tmp/driver_run/no_captures
  WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/tmp/driver_run)
set_tests_properties(demod_driver_program_missing_capture PROPERTIES
  PASS_REGULAR_EXPRESSION "Open IQ_DATA_FILE file error\\.\nCapture file missing: .*/no_captures/LTE-DL-838Hz\\.csv")
add_test(NAME demod_driver_program_bad_option COMMAND vek_ofdm_demod_driver --frobnicate)
set_tests_properties(demod_driver_program_bad_option PROPERTIES WILL_FAIL TRUE)
vek_add_test(test_demod_robustness SOURCES ${CMAKE_CURRENT_LIST_DIR}/robustness_test.cpp LIBS vek_ofdm_demod)
