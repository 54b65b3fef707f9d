# The program editor's model, headless, on the shipped robot and sequences.
velkari_test(tst_program program/tst_program.cpp LIBS velkari_core)
