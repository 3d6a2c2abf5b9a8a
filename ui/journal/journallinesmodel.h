#pragma once

#include "journal/journalline.h"

#include <QAbstractTableModel>
#include <QList>
#include <QSet>

namespace ui {

// The journal's lines as a table: time, barcode, patient, hospital number, exam,
// copies, printed, recorded, operator, state (its reason as the tool tip). Lines
// that can be recorded now are drawn in the warning colour.
class JournalLinesModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        Time,
        Barcode,
        Patient,
        HospitalNumber,
        Exam,
        Copies,
        Printed,
        Recorded,
        Operator,
        State,
        ColumnCount
    };

    explicit JournalLinesModel(QObject *parent = nullptr);

    // The lines to show, and the ids among them that can be recorded now.
    void setLines(const QList<journal::Line> &lines, const QSet<qint64> &recordable);
    const journal::Line &line(int row) const { return m_lines.at(row); }
    bool isRecordable(int row) const { return m_recordable.contains(m_lines.at(row).id); }
    int rowOf(qint64 id) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<journal::Line> m_lines;
    QSet<qint64> m_recordable;
};

} // namespace ui
