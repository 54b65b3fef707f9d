// Station files as plain values: the options record, then one record per
// robot (with the joints that follow it) and per object. Reading and writing
// need no window; the control panel applies a Station and collects one.
#pragma once

#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>
#include <array>
#include <cstdint>

struct StationRobot
{
    QString file;        // robot description, as stored ("../" form or as held)
    QString tool;        // tool file, "EMPTY" when no tool is mounted
    QString name;
    bool visible = true;
    std::array<double, 6> world{};      // World frame, in the options record's convention
    std::array<double, 16> placement{}; // row-major, as the robot holds it
    bool hasJoints = false;             // a JOINTS record followed the robot
    std::array<double, 6> joints{};
};

struct StationObject
{
    QString path;
    QString name;
    double scale = 1.0;
    int visible = 1;
    int flipNormals = 0;
    std::array<double, 16> pose{}; // column-major, as the object holds it
    // The robot parts never checked for collisions with this object (bit p:
    // 0 base, 1-6 links, 7 tool), when the user has decided; otherwise the
    // default applies. Written after the pose as "IGNORE#base,tool#", which
    // readers that do not know it pass over with whatever trails a record.
    bool hasIgnore = false;
    std::uint32_t ignoreMask = 0;
};

struct Station
{
    bool hasOptions = false; // an options record with both codes
    int language = 1;
    int euler = 0;
    QVector<StationRobot> robots;
    QVector<StationObject> objects;
    // A robot record whose robot path is "EMPTY" ends the reading: records
    // after it are not part of the station.
    bool stoppedAtEmpty = false;
    // Parts closer than this (mm) count as colliding. Written as a third
    // option only when above 0, so that a station without it reads as before.
    double safetyDistance = 0.0;
};

// What a station refers to but could not load: robot descriptions, the
// robot's tool, object files that were refused. A save writes them back where
// they stood, so the user's file does not lose them without a word.
struct StationLeftovers
{
    QVector<StationRobot> robots;
    QString tool;
    QVector<QPair<int, StationObject>> objects; // with their place in the list

    // Into the station as it is now: the robots only when it has none, the
    // tool when `toolStillMissing` (its robot has stayed, with no tool).
    void restore(Station &station, bool toolStillMissing) const;
};

class StationFile
{
public:
    enum Result { Ok = 0, CannotOpen = -1, Damaged = -2, Unsafe = -3, CannotWrite = -4 };

    // Reads a whole station. The file is checked before anything is handed
    // out: its first line is the options record (whatever its first word),
    // every other line a robot, joints or object record or blank, no line
    // holds binary bytes and the file stays below kMaxBytes. On Damaged,
    // *message names the file and its first bad line.
    static Result read(const QString &fileName, Station *out, QString *message = nullptr);
    static Result parse(const QByteArray &bytes, const QString &fileName, Station *out,
                        QString *message = nullptr);

    // The text of a station, CR LF before each record, reals with 6 decimals.
    static QString text(const Station &station);
    // Writes the whole file or nothing (the old file stays). A "#" in a path
    // or name would end a field early: Unsafe, and *message lists them.
    static Result write(const QString &fileName, const Station &station,
                        QString *message = nullptr);

    // The form a path is stored in: under the installation it becomes
    // "../" + the part below the installation, so stations move with it.
    static QString storedPath(const QString &path);

    static constexpr qint64 kMaxBytes = qint64(16) << 20;
};
