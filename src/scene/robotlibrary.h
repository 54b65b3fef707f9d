// The robot library: the dialog "Load Robot…" opens. It lists every robot
// description in a directory with the maker, model, reach and payload each
// file carries (its Robot_Info element, see models/xml.h) and a picture of
// the robot drawn from its own link meshes. The plain file dialog stays one
// button away for descriptions kept elsewhere.
//
// Pictures are drawn in software (no OpenGL context needed), one robot per
// turn of the event loop so the list shows at once, and kept for the life of
// the program keyed by file and modification time.
#pragma once

#include <QDateTime>
#include <QDialog>
#include <QImage>
#include <QString>
#include <QVector>
#include <array>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class RobotLibrary : public QDialog
{
    Q_OBJECT
public:
    struct Entry
    {
        QString file; // full path
        QString maker;
        QString model;
        double reachMm = 0.0;   // 0: not given
        double payloadKg = 0.0; // 0: not given
        std::array<float, 6> preview{};
    };

    // `current`: the description of the robot in the station, the row
    // chosen when the dialog opens (the first row when it is not listed).
    explicit RobotLibrary(const QString &dir, const QString &current = QString(),
                          QWidget *parent = nullptr);

    // Runs the dialog; the chosen description, or an empty text.
    static QString choose(const QString &dir, const QString &current = QString(),
                          QWidget *parent = nullptr);

    // The robot descriptions of `dir` that load as a robot, by maker then
    // model; files without library data come last under their file name.
    // Other XML files, and descriptions the robot loader refuses (too few
    // axes, a section missing), are left out: choosing one could only fail.
    // Whether a file loads is kept for the life of the program, keyed by
    // file and modification time.
    static QVector<Entry> scan(const QString &dir);

    // The robot of `file` at the robot joint values `pose`, seen from the
    // front right, fitted into a transparent square of `size` pixels. A null
    // image when the description cannot be read or holds no triangles.
    static QImage picture(const QString &file, const std::array<float, 6> &pose, int size);

    QString selectedFile() const { return m_selected; }
    QTreeWidget *list() const { return m_list; }
    // Pictures still to draw; 0 once the list is complete.
    int picturesPending() const { return m_pending.size(); }

private:
    void drawNextPicture();
    void showCurrent();
    void acceptCurrent();
    void openOtherFile();

    QString m_dir;
    QVector<Entry> m_entries;
    QVector<int> m_pending; // entry indices without a picture yet
    QTreeWidget *m_list = nullptr;
    QLabel *m_preview = nullptr;
    QLabel *m_details = nullptr;
    QPushButton *m_load = nullptr;
    QString m_selected;
};
