// The control panel in the chosen language: which entry of a language file
// labels which of its widgets, and the language operation itself.
#pragma once

#include <QStringList>

class LanguageFile;
class MenuPrincipal;

// Sets entries 0-26 on the panel's widgets, rebuilds the movement-frame box
// from entries 24-26 (which sends the movement frame back to tool axes),
// sets entries 65-70 on the objects panel and returns entries 27-63, the
// texts of the main window's menus in menu-table order.
//
// Entries the file does not hold (a short file) leave their widgets as they
// are, and the returned list then holds only the menu texts that were read:
// list entry j, when present, is always file entry 27 + j.
QStringList applyLanguage(MenuPrincipal *panel, const LanguageFile &file);

// The language operation of the control panel: reads the language file of
// `code` (1 English, 2 French, 3 Spanish, 4 Catalan, 5 German, -1 English)
// from the languages directory, applies it and returns the menu texts.
// When the file cannot be opened, says "language file not found" and
// changes nothing: `*found` is false, the list is empty and the language
// code stays. A code without a file (none of the above) changes nothing
// either and is not reported.
QStringList loadLanguage(MenuPrincipal *panel, int code, bool *found = nullptr);
