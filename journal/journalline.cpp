#include "journal/journalline.h"

#include <QCoreApplication>

#include <array>

namespace journal {

namespace {

struct StateNames
{
    State state;
    const char *key;  // stored in the journal file: never change one
    const char *name; // shown and printed (--journal: in English; Today's stickers: translated)
};

constexpr std::array<StateNames, 9> kStates{{
    {State::AboutToPrint, "about_to_print", QT_TRANSLATE_NOOP("journal::State", "about to print")},
    {State::Printed, "printed", QT_TRANSLATE_NOOP("journal::State", "printed")},
    {State::PrintFailed, "print_failed", QT_TRANSLATE_NOOP("journal::State", "print failed")},
    {State::Cancelled, "cancelled", QT_TRANSLATE_NOOP("journal::State", "cancelled")},
    {State::LogBegun, "log_begun", QT_TRANSLATE_NOOP("journal::State", "log begun")},
    {State::Recorded, "recorded", QT_TRANSLATE_NOOP("journal::State", "recorded")},
    {State::LogFailed, "log_failed", QT_TRANSLATE_NOOP("journal::State", "log failed")},
    {State::InDoubt, "in_doubt", QT_TRANSLATE_NOOP("journal::State", "in doubt")},
    {State::GivenUp, "given_up", QT_TRANSLATE_NOOP("journal::State", "given up")},
}};

const StateNames &names(State state)
{
    for (const StateNames &n : kStates) {
        if (n.state == state)
            return n;
    }
    return kStates.front();
}

} // namespace

QString stateName(State state)
{
    return QString::fromLatin1(names(state).name);
}

QString stateKey(State state)
{
    return QString::fromLatin1(names(state).key);
}

std::optional<State> stateFromKey(const QString &key)
{
    for (const StateNames &n : kStates) {
        if (key == QLatin1String(n.key))
            return n.state;
    }
    return std::nullopt;
}

bool printerTookJob(State state)
{
    switch (state) {
    case State::Printed:
    case State::LogBegun:
    case State::Recorded:
    case State::LogFailed:
    case State::InDoubt:
    case State::GivenUp: return true;
    case State::AboutToPrint:
    case State::PrintFailed:
    case State::Cancelled: return false;
    }
    return false;
}

bool isUnrecorded(State state)
{
    return printerTookJob(state) && state != State::Recorded;
}

bool mayBeRecorded(State state)
{
    return state == State::LogBegun || state == State::InDoubt;
}

} // namespace journal
