# Sources of the resample family.
list(APPEND VEK_COMMON_SOURCES
)
