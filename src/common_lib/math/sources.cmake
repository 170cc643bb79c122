# Sources of the math family.
list(APPEND VEK_COMMON_SOURCES
)
