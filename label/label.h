#pragma once

#include "label/labeltemplate.h"

#include <QString>
#include <QStringList>

namespace label {

// One label to draw: its template, the text each of the template's fields prints
// (in the template's order), and the title its print job or PDF file carries.
struct Label
{
    LabelTemplate labelTemplate;
    QStringList values; // one per field; a field without one prints nothing
    QString title;

    // The text field prints; empty for a field that is not there.
    QString value(int field) const { return field >= 0 && field < values.size() ? values.at(field) : QString(); }
};

} // namespace label
