# Sources of the demodulator config area.
list(APPEND VEK_DEMOD_SOURCES
)
