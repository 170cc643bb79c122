# Sources of the filter family.
list(APPEND VEK_COMMON_SOURCES
)
