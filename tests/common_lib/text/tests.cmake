# Tests of the text family.
