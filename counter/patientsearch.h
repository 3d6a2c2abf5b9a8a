#pragma once

#include "counter/patient.h"

#include <QString>

#include <functional>

namespace db {
class DbClient;
} // namespace db

namespace counter {

// The patient search: turns the number typed or scanned into the patient shown. It
// asks the database for the rows behind the number (search mode, command, a read
// that is repeated once on a connection found lost), keeps the patient's values and
// every row's barcode and instrument (patient()), and has the window list each exam
// as it goes. It shows nothing itself: run() tells what came of it.
class PatientSearch
{
public:
    // What the search does through the window that lists the patient.
    struct Listing
    {
        std::function<void()> begin;                       // rows found: make room for the patient
        std::function<void(const Patient &)> showPatient;  // the six values are read
        std::function<void(const QString &item)> listExam; // one checklist item, in row order
        std::function<void()> yield;                       // once per row, before it is read
    };

    struct Outcome
    {
        enum class Status {
            Blank,    // the number is empty or spaces only: nothing was asked
            NotFound, // no rows
            Listed,   // the patient and an item per row were listed
            Failed,   // the search stopped where it failed; the window is as it left it
        };
        Status status = Status::Blank;
        QString message; // NotFound: "Sample not found!"; Failed: the failure, in plain words first
    };

    explicit PatientSearch(db::DbClient &client);

    // The patient of the search: the number and the six values are emptied by every
    // search and set by one that finds rows; the barcodes and instruments are made
    // afresh by a search that finds rows and kept otherwise.
    const Patient &patient() const { return m_patient; }
    Patient &patient() { return m_patient; }

    // Searches for number as typed (untrimmed): the search mode from its text, the search
    // command, then for rows: begin, the values read, showPatient, and per row yield, the
    // row kept and listExam with "<barcode> [<instrument>] ". A result of more rows than
    // the 16-bit row index can count fails before begin; more rows than the result
    // announced fail at the first one too many.
    Outcome run(const QString &number, const Listing &listing);

private:
    void search(const QString &number, const Listing &listing, Outcome &outcome);

    db::DbClient &m_client;
    Patient m_patient;
};

} // namespace counter
