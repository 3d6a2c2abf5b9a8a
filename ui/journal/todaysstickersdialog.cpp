#include "ui/journal/todaysstickersdialog.h"

#include "journal/printjournal.h"
#include "ui/journal/journallinesmodel.h"
#include "widgets/messagebox.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSet>
#include <QStringList>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace ui {

TodaysStickersDialog::TodaysStickersDialog(journal::PrintJournal &journal, RecordFunction record, QWidget *parent,
                                           const QDate &day)
    : QDialog(parent)
    , m_journal(journal)
    , m_record(std::move(record))
    , m_day(day)
{
    setupControls();
    refresh();
    // Start on the first line still to record, or else on the newest.
    int start = m_model->rowCount() - 1;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (m_model->isRecordable(row)) {
            start = row;
            break;
        }
    }
    if (start >= 0)
        m_table->setCurrentIndex(m_model->index(start, 0));
    m_table->setFocus();
}

void TodaysStickersDialog::setupControls()
{
    setObjectName(QStringLiteral("TodaysStickersDialog"));
    setWindowTitle(m_day == QDate::currentDate() ? tr("Today's stickers")
                                                 : tr("Stickers of %1").arg(m_day.toString(Qt::ISODate)));

    m_dayLabel = new QLabel(this);
    m_dayLabel->setObjectName(QStringLiteral("dayLabel"));
    m_problemLabel = new QLabel(this);
    m_problemLabel->setObjectName(QStringLiteral("problemLabel"));
    m_problemLabel->setWordWrap(true);
    m_problemLabel->hide();

    m_model = new JournalLinesModel(this);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("stickersTable"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setTabKeyNavigation(false);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setSectionResizeMode(JournalLinesModel::Patient, QHeaderView::Stretch);

    // No button is a default one: Enter (a scanner's) presses nothing here.
    m_recordButton = new QPushButton(tr("&Record now"), this);
    m_recordButton->setObjectName(QStringLiteral("recordNowButton"));
    m_recordButton->setToolTip(tr("Records the selected printed stickers in the laboratory database "
                                  "without printing them again (Alt+R)."));
    m_closeButton = new QPushButton(tr("Close"), this);
    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    m_closeButton->setToolTip(tr("Closes the list (Esc)."));
    for (QPushButton *button : {m_recordButton, m_closeButton}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_recordButton);
    buttons->addStretch(1);
    buttons->addWidget(m_closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_dayLabel);
    layout->addWidget(m_problemLabel);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    resize(1000, 520);

    connect(m_recordButton, &QPushButton::clicked, this, &TodaysStickersDialog::recordSelected);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TodaysStickersDialog::updateActions);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TodaysStickersDialog::updateActions);
}

void TodaysStickersDialog::refresh()
{
    const QModelIndex current = m_table->currentIndex();
    const qint64 currentId = current.isValid() ? m_model->line(current.row()).id : 0;
    QSet<qint64> selectedIds;
    for (const QModelIndex &index : m_table->selectionModel()->selectedRows())
        selectedIds.insert(m_model->line(index.row()).id);

    // The unrecorded lines first: reading them settles the logs of a run that ended
    // in the middle of one, which the day's lines then show as in doubt.
    bool unrecordedRead = false, linesRead = false;
    QSet<qint64> recordable;
    for (const journal::Line &l : m_journal.unrecorded(&unrecordedRead))
        recordable.insert(l.id);
    const QList<journal::Line> lines = m_journal.linesOfDay(m_day, &linesRead);
    m_model->setLines(lines, recordable);

    int unrecordedToday = 0;
    for (int row = 0; row < m_model->rowCount(); ++row)
        unrecordedToday += m_model->isRecordable(row) ? 1 : 0;
    QString summary = (lines.size() == 1
                           ? tr("Stickers printed on this workstation on %1: 1 exam.")
                           : tr("Stickers printed on this workstation on %1: %n exams.", nullptr, int(lines.size())))
                          .arg(QLocale().toString(m_day, QLocale::LongFormat));
    if (unrecordedToday > 0)
        summary += tr(" %1 printed but not recorded: select and press Record now.").arg(unrecordedToday);
    m_dayLabel->setText(summary);
    if (!unrecordedRead || !linesRead) {
        m_problemLabel->setText(tr("The print journal cannot be read: %1").arg(m_journal.lastError()));
        m_problemLabel->show();
    } else {
        m_problemLabel->hide();
    }

    if (currentId > 0 && m_model->rowOf(currentId) >= 0)
        m_table->setCurrentIndex(m_model->index(m_model->rowOf(currentId), 0));
    for (qint64 id : selectedIds) {
        const int row = m_model->rowOf(id);
        if (row >= 0)
            m_table->selectionModel()->select(m_model->index(row, 0),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    m_table->resizeColumnsToContents();
    updateActions();
}

QList<journal::Line> TodaysStickersDialog::selectedRecordable() const
{
    QList<int> rows;
    for (const QModelIndex &index : m_table->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    QList<journal::Line> lines;
    for (int row : rows) {
        if (m_model->isRecordable(row))
            lines << m_model->line(row);
    }
    return lines;
}

void TodaysStickersDialog::updateActions()
{
    m_recordButton->setEnabled(bool(m_record) && !selectedRecordable().isEmpty());
}

void TodaysStickersDialog::recordSelected()
{
    QList<journal::Line> lines = selectedRecordable();
    if (lines.isEmpty() || !m_record)
        return;
    QStringList doubtful;
    for (const journal::Line &l : lines) {
        if (journal::mayBeRecorded(l.state))
            doubtful << l.barcode;
    }
    // A log cut off in its commit is recorded again only when the user says so; No
    // leaves those lines and records the others selected.
    if (!doubtful.isEmpty()
        && !widgets::AskYesNo(tr("The print log of %1 was cut off while the laboratory database was "
                                 "recording it: it may already be recorded, and recording it again could "
                                 "make it appear twice.\n\nRecord %1 now? Nothing is printed.")
                                  .arg(doubtful.join(QStringLiteral(", "))),
                              widgets::QuestionIcon::Warning))
        lines.removeIf([](const journal::Line &l) { return journal::mayBeRecorded(l.state); });
    for (const journal::Line &l : lines)
        m_record(l);
    refresh();
}

} // namespace ui
