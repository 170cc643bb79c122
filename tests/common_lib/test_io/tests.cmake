# Tests of the test_io family.
