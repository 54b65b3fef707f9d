# The plots dock in the real main window, its numbers, CSV and the
# command-line table (needs velkari-kin beside the test).
velkari_test(tst_plots plots/tst_plots.cpp GUI LIBS velkari_ui)
add_dependencies(tst_plots velkari-kin)
