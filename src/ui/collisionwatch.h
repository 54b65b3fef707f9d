// Collision checking while the operator works: keeps a collision world in
// step with the view's robot, tool and objects, asks it after every move,
// has the view draw what collides in red, and shows the smallest clearance
// (with the two names) in a label of the control panel.
//
// Per move two queries run on the GUI thread (what collides, and the
// clearance); both reuse their buffers, so jogging allocates nothing here.
// Objects are checked whether shown or hidden: hiding one changes the view,
// not the cell.
#pragma once

#include "collision/collisionworld.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <array>
#include <vector>

class QLabel;
class QProgressDialog;
class QWidget;
class Objects;
class Robot;
class Tool;
struct ObjectEntry;
class glwidget;

class CollisionWatch : public QObject
{
    Q_OBJECT
public:
    // The label is made here as a child of `labelParent`; the caller lays it out.
    CollisionWatch(glwidget *view, QWidget *labelParent);
    ~CollisionWatch() override;

    collision::CollisionWorld &world() { return m_world; }
    const collision::CollisionWorld &world() const { return m_world; }
    QLabel *clearanceLabel() const { return m_label; }
    // The label's whole text (shown shortened when the panel is narrow).
    const QString &clearanceText() const { return m_fullText; }
    const collision::State &state() const { return m_state; }
    const collision::Clearance &clearance() const { return m_clearance; }

    // Why a step of the robot to `target` may not be streamed to a
    // controller: it goes into a collision (stepping within or out of one is
    // allowed). Empty when it may, or without a robot.
    QString streamingRefusal(const float *target) const;

    // The safety distance typed by the user: a length of 0 mm or more. On a
    // refusal the distance stays and *why says so in the user's language.
    bool setSafetyDistanceText(const QString &text, QString *why);
    double safetyDistance() const { return m_world.safetyDistance(); }
    void setSafetyDistance(double mm);

    // A robot part and an object as the user reads them ("tool", "table").
    QString partText(int part) const;
    QString pairText(const collision::Pair &pair, bool colliding) const;

    // The label's text again, in the current language.
    void retranslate();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    // Something collides now (the text says what) or, empty, nothing does.
    void collisionNotice(const QString &text);

public slots:
    // After a move of the robot: the queries, the colours and the label.
    void robotMoved();
    // After anything in the scene changed: robot, tool, placement, objects.
    void sceneChanged();
    void robotReplaced();
    void setIgnoreMask(int object, unsigned mask);

private:
    struct Known
    {
        const ObjectEntry *entry = nullptr;
        std::uint32_t readings = 0;
        float scale = 1.0f;
        Matrix4 pose{};
    };

    const Robot *robot() const;
    void syncRobot();
    void syncObjects();
    void query();
    void showProgress(std::size_t done, std::size_t total);
    void closeProgress();
    void fitLabel();

    QPointer<glwidget> m_view;
    collision::CollisionWorld m_world;
    collision::State m_state;
    collision::Clearance m_clearance;
    std::vector<Known> m_known;
    std::vector<const ObjectEntry *> m_current;
    const Robot *m_robot = nullptr;
    bool m_robotStale = true;
    Matrix4 m_placement{};
    QLabel *m_label = nullptr;
    QString m_fullText;
    QString m_notice;
    bool m_busy = false; // a hierarchy is being built: the world waits
    QString m_building;  // what it is built for, as the progress says
    QPointer<QProgressDialog> m_progress;
};
