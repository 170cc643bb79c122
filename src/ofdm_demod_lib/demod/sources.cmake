# Sources of the demodulator demod area.
list(APPEND VEK_DEMOD_SOURCES
)
