# Tests of the filter family.
