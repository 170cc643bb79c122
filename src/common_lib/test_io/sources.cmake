# Sources of the test_io family.
list(APPEND VEK_COMMON_SOURCES
)
