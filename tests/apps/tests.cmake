# The ofdm-demod tool, run as a user would: each case starts the built executable.
vek_add_test(test_cli
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/cli_demo_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cli_round_trip_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cli_settings_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cli_bad_input_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cli_json_check_test.cpp)
add_dependencies(test_cli ofdm_demod_cli)
target_compile_definitions(test_cli PRIVATE
  VEK_CLI_EXE="$<TARGET_FILE:ofdm_demod_cli>" VEK_CLI_TEST_DATA_DIR="${CMAKE_CURRENT_LIST_DIR}/data")
