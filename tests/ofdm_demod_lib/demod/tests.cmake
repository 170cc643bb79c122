# Tests of the demodulator demod area.
