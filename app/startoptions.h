#pragma once

#include <QString>
#include <QStringList>

namespace app {

// What the command line asks for. Without switches the program starts as it always
// does: settings store, SQL Server, default printer.
struct StartOptions
{
    // --demo: a fresh embedded laboratory database seeded with the sample day,
    // no settings store; stickers go to PDF files unless --print-to says where.
    bool demo = false;
    // --print-to DIR: every print job becomes a PDF file in DIR instead of going
    // to the default printer. Empty: the default printer (or, in the demo, the
    // demo's folder).
    QString printTo;
    // --check-connection: open the connection as the start does, say what was
    // tried and why it failed, and end; no window.
    bool checkConnection = false;
    // --journal [--since DATE]: print the print journal's lines (today's, or those
    // since DATE) as tab-separated text for IT, and end; no window. With --demo, the
    // demo's journal.
    bool journal = false;
    QString since; // as given; empty: today
    bool help = false;
    bool version = false;
    // Set when the arguments cannot be understood; the program says so, with the
    // usage, and ends with status 2.
    QString error;
};

// Parses the whole command line (the program's name first), before any
// application object exists. The window system's own switches (-platform NAME,
// -style NAME, -reverse, ...) are accepted and left for QApplication to take.
StartOptions parseStartOptions(const QStringList &arguments);

// The text that --help prints: the switches and what they do.
QString startOptionsUsage();

// "norvane 1.0.0": what --version prints.
QString versionText();

// Where the demo's stickers go when --print-to is not given: ~/NorvaneLabels.
QString defaultDemoLabelDirectory();

} // namespace app
