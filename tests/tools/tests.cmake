# Tests of the data generators.
