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
    bool help = false;
    // Set when the arguments cannot be understood; the program says so and ends.
    QString error;
};

// Parses the arguments after the program name (Qt's own, such as -platform, have
// been taken out by QApplication already).
StartOptions parseStartOptions(const QStringList &arguments);

QString startOptionsUsage();

// Where the demo's stickers go when --print-to is not given: ~/NorvaneLabels.
QString defaultDemoLabelDirectory();

} // namespace app
