# Wii remote jogging against a scripted remote. Included from tests/.
velkari_test(tst_wii wii/tst_wii.cpp GUI LIBS velkari_ui)
