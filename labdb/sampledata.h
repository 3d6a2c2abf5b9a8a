#pragma once

#include <QDate>
#include <QString>

namespace labdb {

// The sample laboratory day, generated from a fixed seed: 40 patients with 1 to 12
// exams each, one request per section on every chargeslip. Hematology barcodes read
// "T...C", chemistry and immunology barcodes are numeric, clinical microscopy and
// microbiology barcodes end in "B"; chargeslip numbers ("CS202400001") are none
// of these forms. The numbers below are the same on every run and every day; only
// the transaction dates follow the day given to seedSampleData.
namespace sample {
// O'BRIEN, MARGARET: an inpatient (room W3-112), chargeslip of five exams in
// three requests.
inline constexpr char obrienChargeslip[] = "CS202400001";
inline constexpr char obrienTBarcode[] = "T1000001C";       // CBC + platelet count (2 rows in mode 3)
inline constexpr char obrienNumericBarcode[] = "200000001"; // FBS + creatinine (2 rows)
inline constexpr char obrienBBarcode[] = "3000001B";        // urinalysis (1 row)
// PEÑA, JOSÉ LUIS: an outpatient (no room), four exams, two without instrument.
inline constexpr char penaChargeslip[] = "CS202400002";
inline constexpr char penaNoInstrumentBarcode[] = "T1000004C"; // ESR, read by hand
// SANTOS, ROSARIO: one chargeslip with 200 exams.
inline constexpr char bigChargeslip[] = "CS202400003";
inline constexpr int bigChargeslipExams = 200;
// Numbers of the right forms that match nothing.
inline constexpr char unknownBarcode[] = "T9999999C";
inline constexpr char unknownChargeslip[] = "CS202499999";
inline constexpr int patientCount = 40;
// The day the tests seed: 9 December 2024.
inline QDate day()
{
    return QDate(2024, 12, 9);
}
} // namespace sample

// Adds the sample day to an empty database (see createDatabase), all in one
// transaction. Throws SqlError on failure.
void seedSampleData(const QString &databasePath, const QDate &day = sample::day());

} // namespace labdb
