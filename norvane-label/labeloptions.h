#pragma once

#include <QString>
#include <QStringList>

// What norvane-label was asked to do, from its command line.
struct LabelOptions
{
    enum class Destination { Printer, PdfDirectory, Png };

    Destination destination = Destination::Printer;
    QString templatePath;     // the shipped template when not given
    QString output;           // the PDF folder or the PNG file
    double dotsPerInch = 203; // PNG only
    int copies = 1;
    QStringList values; // by position into the template's fields; the rest keep their sample defaults
    bool listFields = false;
    bool preview = false; // show in the report viewer; its Print button prints to the destination
    bool version = false;
    // --template with no file (the last argument): say which template is used and where
    // it was looked for, print nothing.
    bool showTemplate = false;
};

// Parses the arguments (without the program name handling of QCoreApplication).
// Returns false with a message in error for a bad command line; sets helpText and
// returns false with an empty error when help was asked for.
bool parseLabelOptions(const QStringList &arguments, LabelOptions &options, QString &error, QString &helpText);
