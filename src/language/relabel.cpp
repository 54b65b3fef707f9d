#include "relabel.h"

#include "models/datadirs.h"
#include "scene/objects.h"
#include "scene/robots.h"
#include "texts/languagefile.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>

namespace {

// Entries of the movement-frame items: tool, robot-base and World axes.
constexpr int kFirstFrameEntry = 24;
constexpr int kFrameItems = 3;

std::function<void(const QString &)> &messageHandler()
{
    static std::function<void(const QString &)> handler;
    return handler;
}

void tellUser(const QString &text)
{
    if (messageHandler()) {
        messageHandler()(text);
        return;
    }
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Velkari"), text, QMessageBox::Ok);
    box.exec();
}

void setCaption(QWidget *widget, const QString &text)
{
    if (auto *label = qobject_cast<QLabel *>(widget))
        label->setText(text);
    else if (auto *button = qobject_cast<QAbstractButton *>(widget))
        button->setText(text);
}

} // namespace

void setCaptions(const Captions &captions, const LanguageFile &file)
{
    for (const auto &t : captions)
        if (file.has(t.first))
            setCaption(t.second, file.text(t.first));
}

void relabelFrameBox(QComboBox *box, const LanguageFile &file)
{
    QStringList items;
    for (int i = 0; i < kFrameItems; ++i) {
        const int entry = kFirstFrameEntry + i;
        items.append(file.has(entry) ? file.text(entry)
                                     : (i < box->count() ? box->itemText(i) : QString()));
    }
    const int old = box->count();
    box->addItems(items);
    for (int i = 0; i < old && box->count() > kFrameItems; ++i)
        box->removeItem(0);
}

void relabelScenePanels(Objects *objects, Robots *robots, const LanguageFile &file)
{
    const int first = LanguageFile::kFirstObjectEntry;
    if (objects)
        setCaptions({{first, objects->nameLabel()},
                     {first + 1, objects->visibleBox()},
                     {first + 2, objects->flipBox()},
                     {first + 3, objects->scaleLabel()},
                     {first + 4, objects->removeButton()},
                     {first + 5, objects->okButton()}},
                    file);
    if (robots)
        setCaptions({{first + 1, robots->visibleBox()},
                     {first + 4, robots->removeButton()},
                     {first + 5, robots->okButton()}},
                    file);
}

bool readLanguageFile(int code, LanguageFile &file)
{
    const QString name = LanguageFile::fileName(code);
    if (name.isEmpty())
        return false;
    if (!file.load(DataDirs::languageDir() + name)) {
        tellUser(QStringLiteral("language file not found"));
        return false;
    }
    return true;
}

void setLanguageMessageHandler(std::function<void(const QString &)> handler)
{
    messageHandler() = std::move(handler);
}
