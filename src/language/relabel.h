// Switching the interface language: the control panel, its movement-frame
// box and the objects panel are relabelled from a language file, and the
// menu texts are handed back to the main window.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class LanguageFile;
class MenuPrincipal;
class QObject;

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

// Who tells the user about a missing language file. By default a modal
// message box; tests put a recorder here (an empty function restores the box).
void setLanguageMessageHandler(std::function<void(const QString &)> handler);

// The panel's language code (what station files store and what the About
// box follows). It is set when a language file has been applied; until then
// it is 1, English.
namespace LanguageState {
int code(const QObject *panel);
void setCode(QObject *panel, int code);
} // namespace LanguageState
