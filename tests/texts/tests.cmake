# The language file reader. Included from tests/.
velkari_test(tst_languagefile texts/tst_languagefile.cpp LIBS velkari_core)
