#include "counter/searchrules.h"

#include <QRegularExpression>

namespace counter {

void numberKeyPress(int &charCode)
{
    if (charCode > 0 && charCode <= 0xFFFF)
        charCode = QChar(char16_t(charCode)).toUpper().unicode();
    if (charCode == 39)
        charCode = 0;
}

bool isNumeric(const QString &text)
{
    static const QRegularExpression number(
        QStringLiteral(R"(\A *[+-]?(?:[0-9]+(?:\.[0-9]*)?|\.[0-9]+)(?:[eE][+-]?[0-9]+)? *\z)"));
    return number.match(text).hasMatch();
}

int searchMode(const QString &number)
{
    const bool tc = number.size() >= 2 && number.front() == QLatin1Char('T') && number.back() == QLatin1Char('C');
    const bool b = number.endsWith(QLatin1Char('B'));
    return tc || b || isNumeric(number) ? 3 : 2;
}

} // namespace counter
