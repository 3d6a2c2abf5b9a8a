#include "ui/journal/journallinesmodel.h"

#include <QBrush>
#include <QColor>
#include <QCoreApplication>

namespace ui {

namespace {

// Dark red: a line printed and not recorded stands out without a colour of its own
// for each state.
const QColor kUnrecordedColor(0xa0, 0x10, 0x10);

QString clock(const QDateTime &time)
{
    return time.isValid() ? time.toLocalTime().toString(QStringLiteral("HH:mm:ss")) : QString();
}

} // namespace

JournalLinesModel::JournalLinesModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void JournalLinesModel::setLines(const QList<journal::Line> &lines, const QSet<qint64> &recordable)
{
    beginResetModel();
    m_lines = lines;
    m_recordable = recordable;
    endResetModel();
}

int JournalLinesModel::rowOf(qint64 id) const
{
    for (int row = 0; row < m_lines.size(); ++row) {
        if (m_lines.at(row).id == id)
            return row;
    }
    return -1;
}

int JournalLinesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

int JournalLinesModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant JournalLinesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_lines.size())
        return {};
    const journal::Line &l = m_lines.at(index.row());
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case Time: return clock(l.time);
        case Barcode: return l.barcode;
        case Patient: return l.patientName;
        case HospitalNumber: return l.hospitalNumber;
        case Exam: return l.exam;
        case Copies: return l.copies;
        case Printed: return clock(l.printed);
        case Recorded: return clock(l.recorded);
        case Operator: return l.operatorName;
        case State:
            return QCoreApplication::translate("journal::State", journal::stateName(l.state).toUtf8().constData());
        }
    } else if (role == Qt::ToolTipRole && index.column() == State && !l.reason.isEmpty()) {
        return l.reason;
    } else if (role == Qt::ForegroundRole && m_recordable.contains(l.id)) {
        return QBrush(kUnrecordedColor);
    } else if (role == Qt::TextAlignmentRole && index.column() == Copies) {
        return int(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

QVariant JournalLinesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Time: return tr("Time");
    case Barcode: return tr("Barcode");
    case Patient: return tr("Patient");
    case HospitalNumber: return tr("Hospital No.");
    case Exam: return tr("Exam");
    case Copies: return tr("Copies");
    case Printed: return tr("Printed");
    case Recorded: return tr("Recorded");
    case Operator: return tr("Operator");
    case State: return tr("State");
    }
    return {};
}

} // namespace ui
