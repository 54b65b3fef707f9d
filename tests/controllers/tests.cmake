# Controller languages. Included from tests/.
velkari_test(tst_controllers controllers/tst_controllers.cpp LIBS velkari_ui)
add_dependencies(tst_controllers velkari-kin)
