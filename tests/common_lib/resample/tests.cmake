# Tests of the resample family.
