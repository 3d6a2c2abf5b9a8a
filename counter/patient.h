#pragma once

#include <QString>
#include <QStringList>

namespace counter {

// The patient shown: what the search keeps of its rows for the print run: the number
// that found it, and six values from the first row, as text (a null value is the
// empty text); item i of the checklist, counted from 1, belongs to Barcodes[i - 1]
// and Instruments[i - 1].
struct Patient
{
    QString Number;  // the number searched, as typed or scanned
    QString HospNum; // hospital number
    QString PatientName;
    QString Transdate; // as the database gives it
    QString RoomID;
    QString Age;
    QString Sex;
    QStringList Barcodes;    // column Barcode of each row, one spare empty element at the end;
                             // the print log empties each element it has recorded
    QStringList Instruments; // column Instrument of each row, likewise
};

} // namespace counter
