# Tests of the coding family.
