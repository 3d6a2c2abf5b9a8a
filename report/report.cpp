#include "report/report.h"

#include "label/labelerror.h"
#include "output/labeloutput.h"

#include <QCoreApplication>

namespace report {

Report::Report(label::LabelTemplate labelTemplate, output::LabelOutput &output)
    : m_template(std::move(labelTemplate))
    , m_output(&output)
{
    for (const label::LabelTemplate::Field &f : m_template.fields)
        m_fields.append(ParameterField(f.name, f.defaultValue));
}

output::PrintedJob Report::printOut(bool promptUser) const
{
    if (promptUser)
        throw label::LabelError(QCoreApplication::translate(
            "report::Report", "This report engine prints without asking: a print dialog is not available."));
    return m_output->print(asLabel());
}

QString Report::fieldValue(int index) const
{
    return index >= 0 && index < m_fields.size() ? m_fields.at(index).value() : QString();
}

label::Label Report::asLabel() const
{
    QStringList values;
    values.reserve(m_fields.size());
    for (const ParameterField &field : m_fields)
        values.append(field.value());
    return label::Label{m_template, values, m_title};
}

} // namespace report
