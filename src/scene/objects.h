// The station's static CAD objects: a list in the "Objects view" dock and a
// properties form (name, visibility, flipped normals, scale, placement) in
// the "Object properties view" dock.
#pragma once

#include "kinematics/matrixtoolbox.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include <QCheckBox>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
class QModelIndex;
#include <QPushButton>
#include <QToolButton>
#include <functional>
struct ObjectEntry;

class Objects : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxObjects = 300;
    static constexpr int kTableFull = -2;
    // A typed scale beyond this would put the object around the whole scene.
    static constexpr double kMaxScale = 1e6;

    explicit Objects(QObject *parent = nullptr);
    ~Objects() override;

    void setupWidgets(QDockWidget *listDock, QDockWidget *propertiesDock);

    // Reads the mesh and registers the object. 0 when read, -1 when no file
    // could be opened or its content is damaged (with a message naming the
    // file and why), kTableFull (with a message) when the station already
    // holds 300 objects. `pose` is column-major.
    int AddObject(const QString &fileName, const QString &name, float scale, int visible,
                  int flipNormals, const Matrix4 &pose);
    // Name from the file (no directories, no extension), scale 1, identity pose.
    int AddObject(const QString &fileName);

    // Marks a typed field whose text was refused (tinted, property
    // "refused"), or clears the mark after the next good input.
    static void markRefused(QWidget *field, bool refused);
    // A field's text as the program wrote it, and whether the text differs
    // from it now. The texts are rounded: applying an untouched one again
    // would move what it describes by the rounding.
    static void showFieldText(QLineEdit *field, const QString &text);
    static bool fieldEdited(const QLineEdit *field);
    // Makes a placement field wide enough for the text of a pose metres
    // away and turned both ways, so that it shows its whole text.
    static void fitPlacementField(QLineEdit *field);

    // While a list is given, refusals are added to it instead of each
    // becoming a message: adding 400 files then ends in one message. What
    // was noticed in files that were added (empty, cut short) is kept as
    // well and said in one message when the list is taken away.
    void collectRefusals(QStringList *into);

    void removeAll();
    void removeSelected();
    // Objects whose flag is set (one per object, missing: not set) in the
    // collision colour.
    void paintAll(const std::vector<char> &red = {}) const;

    int count() const { return int(m_entries.size()); }
    int selectedIndex() const { return m_selected; }
    const ObjectEntry *entry(int index) const;
    ObjectEntry *entry(int index);

    void setEulerConvention(int convention);
    void showObject(int index);
    void resetForm();

    QListWidget *listWidget() const { return m_list; }
    QLineEdit *nameEdit() const { return m_name; }
    QLineEdit *scaleEdit() const { return m_scale; }
    QLineEdit *placementEdit() const { return m_placement; }
    QCheckBox *visibleBox() const { return m_visible; }
    QCheckBox *flipBox() const { return m_flip; }
    QLabel *nameLabel() const { return m_nameLabel; }
    QLabel *scaleLabel() const { return m_scaleLabel; }
    QPushButton *removeButton() const { return m_remove; }

    // "Ignore collisions with": per object, the robot parts (bit 0 the base,
    // 1-6 the links, 7 the tool) never checked against it. The panel keeps
    // no copy: it asks `source` whenever it shows the choice, and says what
    // the user changed with ignoreMaskEdited.
    static constexpr int kRobotParts = 8;
    void setIgnoreMaskSource(std::function<unsigned(int object)> source);
    QToolButton *ignoreButton() const { return m_ignore; }
    // The parts' names and the button's caption in the current language.
    static QString robotPartText(int part);
    void retranslate();
    QPushButton *okButton() const { return m_ok; }

signals:
    void Render_GL();
    // Something the user should read (a refused object).
    void userMessage(const QString &text);
    void ignoreMaskEdited(int object, unsigned mask);

public slots:
    void ObjList_DoubleClicked(const QModelIndex &index);
    void ObjList_JustClicked(const QModelIndex &index);
    void GUIobjectNameChanged(const QString &str_in);
    void GUIobjectVisibleChanged(bool checked);
    void GUIobjectFlipNormalsChanged(bool checked);
    void GUIobjectScaleChanged();
    void GUIobjectPositionChanged();
    void GUIobject_DoRemove();
    void GUIobject_DoOk();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fillIgnoreMenu();
    bool validSelection() const { return m_selected >= 0 && m_selected < int(m_entries.size()); }

    std::vector<std::unique_ptr<ObjectEntry>> m_entries;
    int m_selected = -1;
    QStringList *m_collect = nullptr;
    QStringList m_notes;
    int m_convention = 0;
    QPointer<QDockWidget> m_listDock;
    QPointer<QDockWidget> m_propertiesDock;
    QPointer<QListWidget> m_list;
    QPointer<QLineEdit> m_name;
    QPointer<QCheckBox> m_visible;
    QPointer<QCheckBox> m_flip;
    QPointer<QLineEdit> m_scale;
    QPointer<QLineEdit> m_placement;
    QPointer<QPushButton> m_remove;
    QPointer<QPushButton> m_ok;
    QPointer<QToolButton> m_ignore;
    std::function<unsigned(int)> m_ignoreSource;
    QPointer<QLabel> m_nameLabel;
    QPointer<QLabel> m_scaleLabel;
};
