# Tests of the fft family.
