#include "journal/journalline.h"

#include <array>

namespace journal {

namespace {

struct StateNames
{
    State state;
    const char *key;  // stored in the journal file: never change one
    const char *name; // shown and printed
};

constexpr std::array<StateNames, 9> kStates{{
    {State::AboutToPrint, "about_to_print", "about to print"},
    {State::Printed, "printed", "printed"},
    {State::PrintFailed, "print_failed", "print failed"},
    {State::Cancelled, "cancelled", "cancelled"},
    {State::LogBegun, "log_begun", "log begun"},
    {State::Recorded, "recorded", "recorded"},
    {State::LogFailed, "log_failed", "log failed"},
    {State::InDoubt, "in_doubt", "in doubt"},
    {State::GivenUp, "given_up", "given up"},
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
