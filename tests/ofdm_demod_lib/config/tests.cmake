# Tests of the demodulator config area.
