#include "relabel.h"

#include "texts/languagefile.h"
#include "models/datadirs.h"
#include "rapid/formabbutility.h"
#include "scene/glwidget.h"
#include "scene/objects.h"
#include "scene/robots.h"
#include "ui/menuprincipal.h"
#include "ui_menuprincipal.h"
#include "texts/uitexts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <utility>
#include <vector>

namespace {

const char *const kCodeProperty = "velkariLanguageCode";
constexpr int kDefaultCode = 1;
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

// Labels take the text with setText, buttons and check boxes as their
// button text; a widget that is missing is skipped.
void setCaption(QWidget *widget, const QString &text)
{
    if (auto *label = qobject_cast<QLabel *>(widget))
        label->setText(text);
    else if (auto *button = qobject_cast<QAbstractButton *>(widget))
        button->setText(text);
}

void relabelFrameBox(QComboBox *box, const LanguageFile &file)
{
    QStringList items;
    for (int i = 0; i < kFrameItems; ++i) {
        const int entry = kFirstFrameEntry + i;
        items.append(file.has(entry) ? file.text(entry)
                                     : (i < box->count() ? box->itemText(i) : QString()));
    }
    // New items first, old ones removed after: the current item disappears
    // and the box moves to the first new item, so the panel hears through
    // the box's own index signal that jogging is back in tool axes.
    const int old = box->count();
    box->addItems(items);
    for (int i = 0; i < old && box->count() > kFrameItems; ++i)
        box->removeItem(0);
}

} // namespace

QStringList applyLanguage(MenuPrincipal *panel, const LanguageFile &file)
{
    if (!panel || !panel->form())
        return file.texts(LanguageFile::kFirstMenuEntry, LanguageFile::kMenuEntries);
    Ui::MenuPrincipal *ui = panel->form();

    const std::vector<std::pair<int, QWidget *>> panelTexts = {
        {0, ui->label_13},          {1, ui->label_14},      {2, ui->checkBox},
        {3, ui->label_25},          {4, ui->radioButton_9}, {5, ui->radioButton_10},
        {6, ui->pushButton_4},      {7, ui->label_18},      {8, ui->label_15},
        {9, ui->label_28},          {10, ui->label_29},     {11, ui->label_31},
        {12, ui->label_34},         {13, ui->label_35},     {14, ui->label_30},
        {15, ui->checkBox_10},      {17, ui->checkBox_9},   {18, ui->label_toolframe},
        {19, ui->label_worldframe}, {20, ui->label_20},     {21, ui->label_wf_parent},
        {22, ui->label_tf_parent},  {23, ui->label_44},     {23, ui->label_45},
    };
    // Entry 16 (the base frame) is read but labels nothing.
    for (const auto &t : panelTexts)
        if (file.has(t.first))
            setCaption(t.second, file.text(t.first));

    relabelFrameBox(ui->comboBox_2, file);

    // Texts composed later (refusals, RAPID messages) are taken from here;
    // those a file does not hold stay English.
    uitext::apply(file);
    ui->labelMovement->setText(uitext::get(uitext::Text::Movement));
    if (FormABButility *rapid = panel->rapidUtility())
        rapid->retranslate();

    if (Objects *objects = panel->view() ? panel->view()->objectsList() : nullptr) {
        const int first = LanguageFile::kFirstObjectEntry;
        const std::vector<std::pair<int, QWidget *>> objectTexts = {
            {first, objects->nameLabel()},        {first + 1, objects->visibleBox()},
            {first + 2, objects->flipBox()},      {first + 3, objects->scaleLabel()},
            {first + 4, objects->removeButton()}, {first + 5, objects->okButton()},
        };
        for (const auto &t : objectTexts)
            if (file.has(t.first))
                setCaption(t.second, file.text(t.first));
    }
    // The robot form has the same check box and buttons as the object form.
    if (Robots *robots = panel->view() ? panel->view()->robotsList() : nullptr) {
        const int first = LanguageFile::kFirstObjectEntry;
        const std::vector<std::pair<int, QWidget *>> robotTexts = {
            {first + 1, robots->visibleBox()},
            {first + 4, robots->removeButton()},
            {first + 5, robots->okButton()},
        };
        for (const auto &t : robotTexts)
            if (file.has(t.first))
                setCaption(t.second, file.text(t.first));
    }

    return file.texts(LanguageFile::kFirstMenuEntry, LanguageFile::kMenuEntries);
}

QStringList loadLanguage(MenuPrincipal *panel, int code, bool *found)
{
    if (found)
        *found = false;
    const QString name = LanguageFile::fileName(code);
    if (!panel || name.isEmpty())
        return {};
    LanguageFile file;
    if (!file.load(DataDirs::languageDir() + name)) {
        tellUser(QStringLiteral("language file not found"));
        return {};
    }
    LanguageState::setCode(panel, code == -1 ? kDefaultCode : code);
    if (found)
        *found = true;
    return applyLanguage(panel, file);
}

void setLanguageMessageHandler(std::function<void(const QString &)> handler)
{
    messageHandler() = std::move(handler);
}

namespace LanguageState {

int code(const QObject *panel)
{
    if (!panel)
        return kDefaultCode;
    bool ok = false;
    const int c = panel->property(kCodeProperty).toInt(&ok);
    return ok ? c : kDefaultCode;
}

void setCode(QObject *panel, int code)
{
    if (panel)
        panel->setProperty(kCodeProperty, code);
}

} // namespace LanguageState
