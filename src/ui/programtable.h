// The Program dock's table: one row a program line, its number, kind, six
// operands (joint values of a move; mm and radians of a tool change or
// placement), the TCP pose of a move in the panel's Euler convention, speed,
// zone and what the path analysis found on it. Cells are read from the
// program when drawn, so a 10,000-line program costs only the visible rows.
//
// Typed cells and dropped rows are handed to the dock, which applies them as
// undoable edits or shows why not; the table itself changes nothing.
#pragma once

#include "program/program.h"

#include <QAbstractTableModel>
#include <functional>

namespace programui {

// The check beside the kind: a problem is seen without scrolling across
// twelve columns of numbers.
enum Column
{
    LineColumn,
    KindColumn,
    CheckColumn,
    FirstOperandColumn, // six operands
    FirstPoseColumn = FirstOperandColumn + 6,
    SpeedColumn = FirstPoseColumn + 6,
    ZoneColumn,
    ColumnCount
};

class ProgramTable : public QAbstractTableModel
{
    Q_OBJECT
public:
    // `edit` applies a typed cell (false: refused, the cell keeps its value),
    // `move` a drop of rows before a row; `pose` fills the TCP pose of a row
    // (false: none to show).
    struct Hooks
    {
        std::function<bool(int row, program::Field field, const QString &text)> edit;
        std::function<void(const std::vector<int> &rows, int before)> move;
        std::function<bool(int row, Pose6 *pose)> pose;
    };

    ProgramTable(const program::Program *program, Hooks hooks, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    Qt::DropActions supportedDropActions() const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                         const QModelIndex &parent) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;

    // The whole program again (lines added, removed or moved).
    void reload();
    // The cells that follow the analysis, the robot or the convention.
    void refreshComputed();
    // Header texts in the language applied last; `convention` names the
    // pose angles.
    void retranslate(int convention);

    static program::Field fieldOf(int column, bool *ok);

private:
    QString cellText(int row, int column) const;

    const program::Program *m_program;
    Hooks m_hooks;
    QString m_poseTip;
};

} // namespace programui
