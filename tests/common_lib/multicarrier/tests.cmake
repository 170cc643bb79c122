# Tests of the multicarrier family.
