# Tests of the logging component.
