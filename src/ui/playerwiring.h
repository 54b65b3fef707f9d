// Connects the sequence player to the control panel and the view: node
// application to the panel's slots, the TCP trace to the view, the robot
// to the view's selected one, and the player's keys on the panel.
#pragma once

class MenuPrincipal;
class Paths;
class glwidget;

// Call once. Every connection is direct, so a node is applied (and its
// matrices copied by the panel) before the signal returns. Null arguments
// are skipped.
void connectPlayer(Paths *paths, MenuPrincipal *panel, glwidget *view);
