# Tests of the report family.
