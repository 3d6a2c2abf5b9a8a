#pragma once

namespace counter {

// The busy (wait) cursor over every window of the program for as long as this
// lives: around each database command, which blocks the window until the server
// answers or the command times out. Nests.
class BusyCursor
{
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

private:
    bool m_set = false;
};

} // namespace counter
