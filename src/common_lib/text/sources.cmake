# Sources of the text family.
list(APPEND VEK_COMMON_SOURCES
)
