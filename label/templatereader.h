#pragma once

#include "label/labeltemplate.h"

#include <QByteArray>
#include <QString>

namespace label {

// Reads a label template file (format in TEMPLATE.md). Every fault is a LabelError
// whose description names the file and, for a fault in a line, the line number.
class TemplateReader
{
public:
    static LabelTemplate readFile(const QString &path);
    static LabelTemplate parse(const QByteArray &content, const QString &path);
};

} // namespace label
