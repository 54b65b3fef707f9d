# Relabelling and the About box. Included from tests/.
velkari_test(tst_relabel language/tst_relabel.cpp GUI LIBS velkari_ui)
set_target_properties(tst_relabel PROPERTIES AUTOUIC_SEARCH_PATHS ${CMAKE_SOURCE_DIR}/src/ui)
velkari_test(tst_about language/tst_about.cpp GUI LIBS velkari_ui)
