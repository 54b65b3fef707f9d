# RAPID data utility. Included from tests/.
velkari_test(tst_rapidparser rapid/tst_rapidparser.cpp LIBS velkari_core)
velkari_test(tst_formabbutility rapid/tst_formabbutility.cpp GUI LIBS velkari_ui)
velkari_test(tst_rapidmodule rapid/tst_rapidmodule.cpp LIBS velkari_core)
