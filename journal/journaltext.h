#pragma once

#include "journal/journalline.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace journal {

// The journal's lines as text for IT (norvane --journal): one header line, then one
// line per exam, fields separated by tabs, each line ended by a newline:
//
//   time  barcode  patient  hospital number  exam  copies  printed  recorded  operator
//   state  changed  reason  number  workstation
//
// Times are local with their offset, to the second (2026-12-10T08:15:02+08:00);
// printed and recorded are empty until they happen; the state is in plain words
// ("log failed"). A tab or line break inside a value becomes a space, so that every
// exam stays one line of the same columns.
QString journalText(const QList<Line> &lines);

// The moment that --since names: a day (2026-12-10: from its first moment, local
// time) or a local time (2026-12-10T08:00, seconds and an offset from UTC as
// 2026-12-10T08:00:00+08:00 allowed). Invalid when the text is neither.
QDateTime sinceTime(const QString &text);

} // namespace journal
