#pragma once

#include "report/labeltemplate.h"

#include <QByteArray>
#include <QString>

namespace report {

// Reads a label template file (format in TEMPLATE.md). Every fault is a ReportError
// whose description names the file and, for a fault in a line, the line number.
class TemplateReader
{
public:
    static LabelTemplate readFile(const QString &path);
    static LabelTemplate parse(const QByteArray &content, const QString &path);
};

} // namespace report
