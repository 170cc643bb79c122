# Sources of the fft family.
list(APPEND VEK_COMMON_SOURCES
)
