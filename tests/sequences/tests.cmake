# Sequences: text and analysis headless (the shipped examples with them); the
# player with a real control panel and view under Xvfb.
velkari_test(tst_sequencetext sequences/tst_sequencetext.cpp LIBS velkari_core)
velkari_test(tst_pathanalysis sequences/tst_pathanalysis.cpp LIBS velkari_core)
velkari_test(tst_player sequences/tst_player.cpp GUI LIBS velkari_ui)
