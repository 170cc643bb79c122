# Sources of the coding family.
list(APPEND VEK_COMMON_SOURCES
)
