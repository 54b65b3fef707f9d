#include "programtable.h"

#include "kinematics/matrixtoolbox.h"
#include "sequences/programtext.h"
#include "texts/uitexts.h"

#include <QApplication>
#include <QDataStream>
#include <QIcon>
#include <QMimeData>
#include <QStyle>
#include <algorithm>

namespace programui {

namespace {

// Rows dragged inside the table; nothing else is dropped on it.
const QString kRowsMime = QStringLiteral("application/x-velkari-program-rows");

QString number(double v, int decimals)
{
    return QString::number(v, 'f', decimals);
}

} // namespace

ProgramTable::ProgramTable(const program::Program *program, Hooks hooks, QObject *parent)
    : QAbstractTableModel(parent), m_program(program), m_hooks(std::move(hooks))
{
}

int ProgramTable::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_program->size();
}

int ProgramTable::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

program::Field ProgramTable::fieldOf(int column, bool *ok)
{
    *ok = true;
    if (column >= FirstOperandColumn && column < FirstOperandColumn + 6)
        return program::Field(int(program::Field::Joint1) + column - FirstOperandColumn);
    if (column >= FirstPoseColumn && column < FirstPoseColumn + 6)
        return program::Field(int(program::Field::X) + column - FirstPoseColumn);
    if (column == SpeedColumn)
        return program::Field::Speed;
    if (column == ZoneColumn)
        return program::Field::Zone;
    *ok = false;
    return program::Field::Speed;
}

QString ProgramTable::cellText(int row, int column) const
{
    const sequences::ProgramLine &line = m_program->line(row);
    const program::Kind kind = m_program->kind(row);
    if (column == LineColumn)
        return QString::number(row + 1);
    if (column == KindColumn)
        return program::kindName(kind);
    if (column >= FirstOperandColumn && column < FirstPoseColumn) {
        const int k = column - FirstOperandColumn;
        if (kind == program::Kind::Other)
            return QString();
        // Joints and millimetres to the hundredth; radians need more.
        const bool radians = !program::isMove(kind) && k >= 3;
        return number(line.operands[std::size_t(k)], radians ? 4 : 2);
    }
    if (column >= FirstPoseColumn && column < SpeedColumn) {
        Pose6 pose{};
        if (!program::isMove(kind) || !m_hooks.pose || !m_hooks.pose(row, &pose))
            return QString();
        return number(double(pose[std::size_t(column - FirstPoseColumn)]), 2);
    }
    if (column == SpeedColumn)
        return sequences::speedWord(line.speed);
    if (column == ZoneColumn)
        return sequences::zoneWord(line.zone);
    if (column == CheckColumn)
        return m_program->checkText(row).trimmed();
    return QString();
}

QVariant ProgramTable::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_program->size())
        return QVariant();
    const int row = index.row();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cellText(row, column);
    case Qt::ToolTipRole:
        if (column == CheckColumn || column == LineColumn)
            return m_program->checkText(row).trimmed();
        if (column >= FirstPoseColumn && column < SpeedColumn)
            return m_poseTip;
        return QVariant();
    case Qt::DecorationRole:
        // The mark beside the problem's text.
        if (column == CheckColumn && !m_program->check(row).ok())
            return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
        return QVariant();
    case Qt::ForegroundRole:
        if (column == CheckColumn && !m_program->check(row).ok())
            return QColor(180, 0, 0);
        return QVariant();
    case Qt::TextAlignmentRole:
        if (column == KindColumn || column == CheckColumn)
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        return int(Qt::AlignRight | Qt::AlignVCenter);
    default:
        return QVariant();
    }
}

bool ProgramTable::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !m_hooks.edit)
        return false;
    bool ok = false;
    const program::Field field = fieldOf(index.column(), &ok);
    // Leaving a cell as it was is no edit (and no undo step).
    if (!ok || value.toString() == cellText(index.row(), index.column()))
        return false;
    return m_hooks.edit(index.row(), field, value.toString());
}

QVariant ProgramTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QVariant();
    if (role == Qt::ToolTipRole && section >= FirstPoseColumn && section < SpeedColumn)
        return m_poseTip;
    if (role != Qt::DisplayRole)
        return QVariant();
    using uitext::Text;
    if (section == LineColumn)
        return uitext::get(Text::ProgramColLine);
    if (section == KindColumn)
        return uitext::get(Text::ProgramColKind);
    if (section >= FirstOperandColumn && section < FirstPoseColumn)
        return QStringLiteral("\u03b8%1").arg(section - FirstOperandColumn + 1);
    if (section >= FirstPoseColumn && section < SpeedColumn)
        return QString(QLatin1String("XYZABC").at(section - FirstPoseColumn));
    if (section == SpeedColumn)
        return uitext::get(Text::ProgramColSpeed);
    if (section == ZoneColumn)
        return uitext::get(Text::ProgramColZone);
    if (section == CheckColumn)
        return uitext::get(Text::ProgramColCheck);
    return QVariant();
}

Qt::ItemFlags ProgramTable::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled |
                      Qt::ItemIsDropEnabled;
    const program::Kind kind = m_program->kind(index.row());
    const int c = index.column();
    const bool operand = c >= FirstOperandColumn && c < FirstPoseColumn;
    const bool pose = c >= FirstPoseColumn && c < SpeedColumn;
    if ((operand && kind != program::Kind::Other) || (pose && program::isMove(kind)) ||
        c == SpeedColumn || c == ZoneColumn)
        f |= Qt::ItemIsEditable;
    return f;
}

Qt::DropActions ProgramTable::supportedDropActions() const
{
    return Qt::MoveAction;
}

QStringList ProgramTable::mimeTypes() const
{
    return {kRowsMime};
}

QMimeData *ProgramTable::mimeData(const QModelIndexList &indexes) const
{
    std::vector<int> rows;
    for (const QModelIndex &i : indexes)
        rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    for (int r : rows)
        out << qint32(r);
    auto *data = new QMimeData;
    data->setData(kRowsMime, bytes);
    return data;
}

bool ProgramTable::canDropMimeData(const QMimeData *data, Qt::DropAction action, int, int,
                                   const QModelIndex &) const
{
    return data && action == Qt::MoveAction && data->hasFormat(kRowsMime);
}

bool ProgramTable::dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int,
                                const QModelIndex &parent)
{
    if (!canDropMimeData(data, action, row, 0, parent) || !m_hooks.move)
        return false;
    std::vector<int> rows;
    QDataStream in(data->data(kRowsMime));
    while (!in.atEnd()) {
        qint32 r = -1;
        in >> r;
        if (in.status() != QDataStream::Ok || r < 0 || r >= m_program->size())
            return false;
        rows.push_back(r);
    }
    // Dropped on a line: before it; between lines: at that gap; below the
    // last: to the end.
    const int before = parent.isValid() ? parent.row() : (row < 0 ? m_program->size() : row);
    m_hooks.move(rows, before);
    // The program has moved the lines itself: the view must not remove the
    // dragged rows as after a copy.
    return false;
}

void ProgramTable::reload()
{
    beginResetModel();
    endResetModel();
}

void ProgramTable::refreshComputed()
{
    if (m_program->size() == 0)
        return;
    emit dataChanged(index(0, 0), index(m_program->size() - 1, ColumnCount - 1));
}

void ProgramTable::retranslate(int convention)
{
    const toolbox::EulerConventionInfo *c = toolbox::eulerConvention(convention);
    m_poseTip = c ? QString::fromUtf8(c->name) : QString();
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    refreshComputed();
}

} // namespace programui
