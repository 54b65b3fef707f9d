# External links against peers on 127.0.0.1: the LAN window against a fake
# controller, the robot data server with real clients.
velkari_test(tst_links links/tst_links.cpp GUI LIBS velkari_ui)
