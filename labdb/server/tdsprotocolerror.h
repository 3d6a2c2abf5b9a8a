#pragma once

#include <stdexcept>
#include <string>

namespace labdb::tds {

// A request that does not follow the protocol: the connection cannot go on and is closed.
class TdsProtocolError : public std::runtime_error
{
public:
    explicit TdsProtocolError(const std::string &what)
        : std::runtime_error(what)
    {
    }
};

} // namespace labdb::tds
