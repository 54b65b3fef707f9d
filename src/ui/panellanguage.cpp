#include "panellanguage.h"

#include "collisionwatch.h"
#include "language/relabel.h"
#include "menuprincipal.h"
#include "rapid/formabbutility.h"
#include "scene/glwidget.h"
#include "scene/objects.h"
#include "sequences/paths.h"
#include "texts/languagefile.h"
#include "texts/uitexts.h"
#include "ui_menuprincipal.h"

#include <QLayout>
#include <QScrollArea>
#include <QScrollBar>

QStringList applyLanguage(MenuPrincipal *panel, const LanguageFile &file)
{
    if (!panel || !panel->form())
        return file.texts(LanguageFile::kFirstMenuEntry, LanguageFile::kMenuEntries);
    Ui::MenuPrincipal *ui = panel->form();

    // Entry 16 (the base frame) is read but labels nothing.
    setCaptions(
        {
            {0, ui->label_13},          {1, ui->label_14},      {2, ui->checkBox},
            {3, ui->label_25},          {4, ui->radioButton_9}, {5, ui->radioButton_10},
            {6, ui->pushButton_4},      {7, ui->label_18},      {8, ui->label_15},
            {9, ui->label_28},          {10, ui->label_29},     {11, ui->label_31},
            {12, ui->label_34},         {13, ui->label_35},     {14, ui->label_30},
            {15, ui->checkBox_10},      {17, ui->checkBox_9},   {18, ui->label_toolframe},
            {19, ui->label_worldframe}, {20, ui->label_20},     {21, ui->label_wf_parent},
            {22, ui->label_tf_parent},  {23, ui->label_44},     {23, ui->label_45},
        },
        file);
    relabelFrameBox(ui->comboBox_2, file);

    // Texts composed later (refusals, RAPID messages) are taken from here;
    // those a file does not hold stay English.
    uitext::apply(file);
    ui->labelMovement->setText(uitext::get(uitext::Text::Movement));
    ui->dial->setToolTip(uitext::get(uitext::Text::DialTip));
    if (FormABButility *rapid = panel->rapidUtility())
        rapid->retranslate();
    if (Paths *player = panel->paths())
        player->retranslate();
    if (CollisionWatch *collisions = panel->collisions())
        collisions->retranslate();
    if (panel->view() && panel->view()->objectsList())
        panel->view()->objectsList()->retranslate();

    // Captions differ in length from one language to another: the control
    // column grows to its widest row instead of cutting it.
    if (QLayout *rows = ui->robotControl->layout()) {
        const int need = rows->minimumSize().width();
        ui->robotControl->setMaximumWidth(qMax(ui->robotControl->maximumWidth(), need));
        QScrollArea *area = ui->scrollAreaControl;
        const int bar = area->verticalScrollBar()->sizeHint().width();
        area->setMaximumWidth(qMax(area->maximumWidth(), need + bar));
        area->setMinimumWidth(qMax(area->minimumWidth(), need + bar));
    }

    glwidget *view = panel->view();
    relabelScenePanels(view ? view->objectsList() : nullptr, view ? view->robotsList() : nullptr,
                       file);
    return file.texts(LanguageFile::kFirstMenuEntry, LanguageFile::kMenuEntries);
}

QStringList loadLanguage(MenuPrincipal *panel, int code, bool *found)
{
    if (found)
        *found = false;
    LanguageFile file;
    if (!panel || !readLanguageFile(code, file))
        return {};
    if (found)
        *found = true;
    return applyLanguage(panel, file);
}
