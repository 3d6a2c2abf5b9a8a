#pragma once

#include <QList>
#include <QRectF>
#include <QString>

namespace label {

// A label template as read from its file (see TEMPLATE.md). Every length is in
// millimetres from the label's top-left corner; font sizes are in points.
struct LabelTemplate
{
    // A piece of a text item: literal text, or the value of a parameter field.
    struct TextPart
    {
        QString literal;
        int field = -1; // index into fields, or -1 for a literal
    };

    struct Field
    {
        QString name;
        QString defaultValue;
    };

    enum class Overflow { Elide, Shrink };

    struct TextItem
    {
        int line = 0;
        QRectF box; // mm
        QList<TextPart> parts;
        QString family;
        double pointSize = 8;
        bool bold = false;
        int alignment = 0; // Qt::AlignLeft, AlignHCenter or AlignRight
        Overflow overflow = Overflow::Elide;
        // Prints nothing when a field it names is empty (or only blanks), so that a
        // prefix such as "Rm " never stands alone.
        bool hideWhenEmpty = false;
    };

    struct BarcodeItem
    {
        int line = 0;
        QRectF box; // mm; its height covers the bars and the human-readable line
        int field = -1;
        int symbology = 0;         // Zint symbology number
        QString symbologyName;     // as written in the template
        double moduleWidth = 0.25; // mm, rounded to whole printer dots when drawn
        double barHeight = 10;     // mm
        int quietZone = 10;        // modules on each side
        bool humanReadable = true;
        double textSize = 7;   // points
        bool textBold = false; // the human-readable line in bold
        QString family;

        // Height of the human-readable line under the bars, in mm: the font's ascent
        // and descent (1.12 em for Liberation Sans) and a dot above and below.
        double textHeight() const { return humanReadable ? textSize * 25.4 / 72.0 * 1.25 : 0.0; }
    };

    enum class ItemKind { Text, Barcode };
    struct ItemRef
    {
        ItemKind kind;
        int index;
    };

    QString path;
    double width = 0;    // mm
    double height = 0;   // mm
    QList<Field> fields; // in the template's order
    QList<TextItem> texts;
    QList<BarcodeItem> barcodes;
    QList<ItemRef> order; // drawing order, as written
};

} // namespace label
