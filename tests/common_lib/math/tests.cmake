# Tests of the math family.
