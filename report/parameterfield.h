#pragma once

#include <QString>
#include <QVariant>

namespace report {

// One parameter field of an open report: a name and a default from the template, and
// the value given to it for this report. A field that is never given a value prints
// its default.
class ParameterField
{
public:
    ParameterField(const QString &name, const QString &defaultValue);

    QString name() const { return m_name; }
    QString defaultValue() const { return m_default; }
    bool hasCurrentValue() const { return m_hasValue; }
    // The text printed for this field: the value given, else the default.
    QString value() const { return m_hasValue ? m_value : m_default; }

    // Gives the field its value. Anything that converts to text is taken (a null value
    // is the empty text); a list or another non-text value is refused.
    void setCurrentValue(const QVariant &value);

private:
    QString m_name;
    QString m_default;
    QString m_value;
    bool m_hasValue = false;
};

} // namespace report
