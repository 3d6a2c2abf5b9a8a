#pragma once

#include <QString>

#include <limits>

namespace db {

// The search and the print log's re-query count their rows in a 16-bit signed
// integer: a result of more rows than this is an overflow, refused before the
// first row is used.
inline constexpr qint64 kMaxRows = std::numeric_limits<qint16>::max();

// The five command texts sent to the laboratory database, built from their values.
// A text argument goes between apostrophes exactly as it stands; an apostrophe
// inside it is written doubled, so that no value can end its argument early.
// Without apostrophes in the values the texts are:
//   searchCommand("T55C", 3)        Laboratory..Lab_Barcode_GetRequests 'T55C',3
//   requeryCommand("B77")           Laboratory..Lab_Barcode_GetRequests 'B77'
//   saveMasterCommand(...)          Laboratory..Lab_Barcode_SaveMaster 'R1','7',...,'0'
//   saveDateCommand(...)            Laboratory..Lab_Barcode_SaveDate '88','11','4','<date>','0',''
//   serverDateCommand()             SELECT getdate() as serverdate

// One text argument: the value between apostrophes, inner apostrophes doubled.
QString quotedArgument(const QString &value);

// The patient search: the number box's whole text and the search mode (3 or 2).
QString searchCommand(const QString &number, int searchMode);

// The print log's re-query of one printed barcode.
QString requeryCommand(const QString &barcode);

// The print log's master row, from one row of the re-query. SectionID stands
// seventh, before RequestNum and ProfileID.
struct MasterRow
{
    QString refNum;
    QString idNum;
    QString hospNum;
    QString barcode;
    QString itemId;
    QString specimenId;
    QString sectionId;
    QString requestNum;
    QString profileId;
};
QString saveMasterCommand(const MasterRow &row);

// The print log's date row; dateText is the server's clock in the general date form.
QString saveDateCommand(const QString &requestNum, const QString &itemId, const QString &sectionId,
                        const QString &dateText);

// The query of the server's clock; its one column is serverdate.
QString serverDateCommand();

} // namespace db
