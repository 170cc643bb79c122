# Sources of the multicarrier family.
list(APPEND VEK_COMMON_SOURCES
)
