#pragma once

#include "label/label.h"
#include "label/labeltemplate.h"
#include "output/labelbackend.h"
#include "report/parameterfield.h"

#include <QList>
#include <QString>

namespace output {
class LabelOutput;
} // namespace output

namespace report {

// An open label report: the template read from its file, with its parameter fields
// ready to take values. It prints through the label output it was opened for.
class Report
{
public:
    Report(label::LabelTemplate labelTemplate, output::LabelOutput &output);

    const label::LabelTemplate &labelTemplate() const { return m_template; }
    QString filePath() const { return m_template.path; }

    // The descriptive text: the print job's document name and the PDF's title.
    void setReportTitle(const QString &title) { m_title = title; }
    QString reportTitle() const { return m_title; }

    // The parameter fields in the template's order.
    QList<ParameterField> &parameterFields() { return m_fields; }
    const QList<ParameterField> &parameterFields() const { return m_fields; }

    // Whether a viewer may ask the user for parameter values; on when a report opens.
    // Direct printing never asks, whatever this says.
    void setParameterPrompting(bool on) { m_parameterPrompting = on; }
    bool parameterPrompting() const { return m_parameterPrompting; }

    // Prints one copy as one job and tells what became of it. promptUser must be
    // false: this engine shows no dialogs (asking is refused with a LabelError rather
    // than ignored).
    output::PrintedJob printOut(bool promptUser) const;

    // The text a field prints (its value, else its default).
    QString fieldValue(int index) const;

    // The label as it prints now: the template, every field's text, the title.
    label::Label asLabel() const;

private:
    label::LabelTemplate m_template;
    output::LabelOutput *m_output;
    QList<ParameterField> m_fields;
    QString m_title;
    bool m_parameterPrompting = true;
};

} // namespace report
