#pragma once

// Lines and runs for the journal's tests: an exam of the demo's first patient, and
// the steps a print run writes to reach each state.

#include "journal/printjournal.h"

#include <QList>
#include <QMetaType>
#include <QString>

Q_DECLARE_METATYPE(journal::State)

namespace journalfixture {

inline journal::Line exam(const QString &barcode, int copies = 1)
{
    journal::Line l;
    l.number = QStringLiteral("CS202400001");
    l.barcode = barcode;
    l.patientName = QStringLiteral("DELA CRUZ, JUAN");
    l.hospitalNumber = QStringLiteral("H0012345");
    l.exam = QStringLiteral("CBC");
    l.copies = copies;
    return l;
}

// The states a run passes through to reach state, after the line was added.
inline QList<journal::State> pathTo(journal::State state)
{
    using journal::State;
    switch (state) {
    case State::AboutToPrint: return {};
    case State::Printed: return {State::Printed};
    case State::PrintFailed: return {State::PrintFailed};
    case State::Cancelled: return {State::Cancelled};
    case State::LogBegun: return {State::Printed, State::LogBegun};
    case State::Recorded: return {State::Printed, State::LogBegun, State::Recorded};
    case State::LogFailed: return {State::Printed, State::LogBegun, State::LogFailed};
    case State::InDoubt: return {State::Printed, State::LogBegun, State::InDoubt};
    case State::GivenUp: return {State::Printed, State::LogBegun, State::LogFailed, State::GivenUp};
    }
    return {};
}

// The words a run gives with a state: the failure's reason, none for a step forward.
inline QString reasonFor(journal::State state)
{
    using journal::State;
    switch (state) {
    case State::PrintFailed:
    case State::Cancelled:
    case State::LogFailed:
    case State::InDoubt:
    case State::GivenUp: return QStringLiteral("%1: injected failure").arg(journal::stateName(state));
    default: return QString();
    }
}

// Moves line id along steps as a print run does (a log always begins with a claim).
inline bool walk(journal::PrintJournal &journal, qint64 id, const QList<journal::State> &steps,
                 journal::State current = journal::State::AboutToPrint)
{
    for (journal::State step : steps) {
        const bool done = step == journal::State::LogBegun ? journal.claimForLog(id, current) == journal::Claim::Taken
                                                           : journal.setState(id, step, reasonFor(step));
        if (!done)
            return false;
        current = step;
    }
    return true;
}

} // namespace journalfixture
