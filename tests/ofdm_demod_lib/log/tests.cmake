# Tests of the demodulator log area.
