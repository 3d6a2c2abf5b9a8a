#include "label/barcodevalue.h"

#include <QCoreApplication>

#include <algorithm>

namespace label {

namespace {

bool isPrintableAscii(QChar c)
{
    return c.unicode() >= 32 && c.unicode() <= 126;
}

} // namespace

QString unprintableBarcodeMessage(const QString &value)
{
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (isPrintableAscii(c))
            continue;
        // A letter such as Ñ is named; an invisible character (a tab, a control
        // code) is described, since quoting it would show nothing.
        const bool visible = c.isPrint() && !c.isSpace() && !c.isSurrogate();
        QString shownValue;
        for (QChar v : value)
            shownValue += v.isPrint() && !v.isSurrogate() ? v : QChar(u'?');
        const QString what = visible ? QCoreApplication::translate("label::BarcodeValue", "the character \"%1\"").arg(c)
                                     : QCoreApplication::translate("label::BarcodeValue", "an invisible character");
        return QCoreApplication::translate("label::BarcodeValue",
                                           "The barcode \"%1\" has %2, which a barcode sticker cannot carry. "
                                           "Nothing was printed. Uncheck this exam to print the others, and tell the "
                                           "laboratory that this barcode needs correcting.")
            .arg(shownValue, what);
    }
    return QString();
}

bool isBlankBarcode(const QString &value)
{
    return std::all_of(value.cbegin(), value.cend(), [](QChar c) { return c == u' '; });
}

QString blankBarcodeMessage(const QString &value, const QString &exam)
{
    const QString what = value.isEmpty() ? QCoreApplication::translate("label::BarcodeValue", "has no barcode")
        : value.size() == 1
        ? QCoreApplication::translate("label::BarcodeValue", "has a barcode of one blank")
        : QCoreApplication::translate("label::BarcodeValue", "has a barcode of %1 blanks only").arg(value.size());
    return QCoreApplication::translate(
               "label::BarcodeValue",
               "The exam %1 %2: no sticker can carry it, and nothing would be recorded for it. Nothing "
               "was printed. Uncheck this exam to print the others, and tell the laboratory that this "
               "barcode needs correcting.")
        .arg(exam, what);
}

} // namespace label
