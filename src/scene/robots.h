// The station's robots: a list in one dock and a properties form (name,
// visibility, placement) in another. Adding a robot replaces the ones present,
// so the station holds at most one; the new robot takes its place, World frame
// and tool.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <vector>

#include <QCheckBox>
#include <QDockWidget>
#include <QLineEdit>
#include <QListWidget>
class QModelIndex;
#include <QPushButton>
class Robot;

class Robots : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxRobots = 300;

    explicit Robots(QObject *parent = nullptr);
    ~Robots() override;

    // Builds the list into `listDock` and the form into `propertiesDock`.
    void setupWidgets(QDockWidget *listDock, QDockWidget *propertiesDock);

    // Reads a description and makes it the station's robot. A description
    // that cannot be read (or has too few elements) changes nothing and
    // returns null; `error` then says why.
    Robot *addRobot(const QByteArray &fileName, QString *error = nullptr);
    void removeAll();
    void removeSelected();
    // `red` (may be null) is drawn with `redParts` in the collision colour.
    void paintAll(const Robot *red = nullptr, unsigned redParts = 0) const;

    int count() const { return int(m_robots.size()); }
    int selectedIndex() const { return m_selected; }
    Robot *robot(int index) const;
    Robot *selected() const { return robot(m_selected); }

    void setEulerConvention(int convention);
    int eulerConvention() const { return m_convention; }
    void showRobot(int index);

    QListWidget *listWidget() const { return m_list; }
    QLineEdit *nameEdit() const { return m_name; }
    QLineEdit *placementEdit() const { return m_placement; }
    QCheckBox *visibleBox() const { return m_visible; }
    QPushButton *removeButton() const { return m_remove; }
    QPushButton *okButton() const { return m_ok; }

signals:
    void RenderGL();
    void SelectedRobot(Robot *robot);
    // Something the user should read (a refused placement).
    void userMessage(const QString &text);

public slots:
    void ObjList_DoubleClicked(const QModelIndex &index);
    void ObjList_JustClicked(const QModelIndex &index);
    void GUIobjectNameChanged(const QString &str_in);
    void GUIobjectVisibleChanged(bool visible);
    void GUIobjectPositionChanged();
    void GUIobject_DoRemove();
    void GUIobject_DoOk();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Widgets belong to the docks, which may be destroyed first when the
    // window closes: the pointers must notice.
    std::vector<std::unique_ptr<Robot>> m_robots;
    int m_selected = 0;
    int m_convention = 0;
    QPointer<QDockWidget> m_listDock;
    QPointer<QDockWidget> m_propertiesDock;
    QPointer<QListWidget> m_list;
    QPointer<QLineEdit> m_name;
    QPointer<QCheckBox> m_visible;
    QPointer<QLineEdit> m_placement;
    QPointer<QPushButton> m_remove;
    QPointer<QPushButton> m_ok;
};
