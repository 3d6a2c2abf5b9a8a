#pragma once

#include <QString>

#include <exception>
#include <stdexcept>

namespace core {

// A failure told in words for the laboratory's staff and IT: the base of every
// layer's own failure (db::DbError, label::LabelError). what() carries the same
// text in UTF-8.
class Error : public std::runtime_error
{
public:
    explicit Error(const QString &description);
    QString description() const { return m_description; }

private:
    QString m_description;
};

// The text to show or log for a caught exception: an Error's description, any
// other standard exception's what() in the local 8-bit encoding.
//   try { ... } catch (const std::exception &e) { box(core::describe(e)); }
QString describe(const std::exception &failure);

} // namespace core
