#include "report/parameterfield.h"

#include "label/labelerror.h"

#include <QCoreApplication>

namespace report {

ParameterField::ParameterField(const QString &name, const QString &defaultValue)
    : m_name(name)
    , m_default(defaultValue)
{
}

void ParameterField::setCurrentValue(const QVariant &value)
{
    if (!value.isNull() && !value.canConvert<QString>())
        throw label::LabelError(
            QCoreApplication::translate("report::ParameterField",
                                        "The parameter field \"%1\" cannot take a value of type %2.")
                .arg(m_name, QString::fromLatin1(value.typeName())));
    m_value = value.isNull() ? QString() : value.toString();
    m_hasValue = true;
}

} // namespace report
