// Switching the interface language: the pieces every window uses to take its
// texts from a language file. The control panel names its own widgets and
// calls these (ui/panellanguage.h); nothing here knows the panel.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <utility>
#include <vector>

class LanguageFile;
class Objects;
class QComboBox;
class QObject;
class QWidget;
class Robots;

// Language-file entry -> the widget that shows it.
using Captions = std::vector<std::pair<int, QWidget *>>;

// Labels take the text with setText, buttons and check boxes as their
// button text; entries the file does not hold and missing widgets are skipped.
void setCaptions(const Captions &captions, const LanguageFile &file);

// Rebuilds the movement-frame box from entries 24-26. New items first, old
// ones removed after: the box moves to the first new item and its own index
// signal says that jogging is back in tool axes.
void relabelFrameBox(QComboBox *box, const LanguageFile &file);

// Entries 65-70 on the objects panel; the robot form shares its check box
// and buttons.
void relabelScenePanels(Objects *objects, Robots *robots, const LanguageFile &file);

// Reads the language file of `code` (1 English, 2 French, 3 Spanish,
// 4 Catalan, 5 German, -1 English) from the languages directory. A code
// without a file name gives false without a word; a file that cannot be
// opened says "language file not found" and gives false.
bool readLanguageFile(int code, LanguageFile &file);

// Who tells the user about a missing language file. By default a modal
// message box; tests put a recorder here (an empty function restores the box).
void setLanguageMessageHandler(std::function<void(const QString &)> handler);
