#include "report/report.h"

#include "report/reporterror.h"
#include "report/reportoutput.h"

namespace report {

Report::Report(LabelTemplate labelTemplate)
    : m_template(std::move(labelTemplate))
{
    for (const LabelTemplate::Field &f : m_template.fields)
        m_fields.append(ParameterField(f.name, f.defaultValue));
}

void Report::printOut(bool promptUser) const
{
    if (promptUser)
        throw ReportError(QStringLiteral("This report engine prints without asking: a print dialog is not available."));
    ReportOutput::print(*this);
}

QString Report::fieldValue(int index) const
{
    return index >= 0 && index < m_fields.size() ? m_fields.at(index).value() : QString();
}

} // namespace report
