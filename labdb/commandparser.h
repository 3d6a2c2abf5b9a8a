#pragma once

#include <QString>
#include <QStringList>

namespace labdb {

// One command text, understood. The accepted forms are exactly those the program
// sends; everything else is refused while parsing (see parseCommand).
struct Command
{
    enum class Kind { GetRequests, SaveMaster, SaveDate, ServerDate, ConvertDateTime };
    Kind kind = Kind::ServerDate;
    // The positional arguments of a procedure call, in order: the value of a
    // string literal with its doubled apostrophes undone, or a bare integer's digits.
    QStringList arguments;
    // Which arguments were written bare (without apostrophes).
    QList<bool> bare;
    // ServerDate, ConvertDateTime: the column name given after "as" (none: empty).
    QString alias;
};

// Parses one command text of the laboratory database:
//   Laboratory..Lab_Barcode_GetRequests 'T55C',3
//   Laboratory..Lab_Barcode_GetRequests 'B77'
//   Laboratory..Lab_Barcode_SaveMaster 'R1','7','H9','B77','11','2','4','88','0'
//   Laboratory..Lab_Barcode_SaveDate '88','11','4','12/9/2024 2:05:33 PM','0',''
//   SELECT getdate() as serverdate
//   SELECT CONVERT(datetime, '12/9/2024 2:05:33 PM') AS probe   (the text is the one argument)
// Blanks may stand between tokens and one ';' may end the text; keywords and names
// are matched without regard to case, as the server does. Anything else (another
// procedure, another database, a second statement, an unclosed literal, a wrong
// number of arguments, an empty text) throws SqlError worded like the server's.
Command parseCommand(const QString &text);

} // namespace labdb
