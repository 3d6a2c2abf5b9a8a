#include "norvane-label/labeloptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <limits>

bool parseLabelOptions(const QStringList &arguments, LabelOptions &options, QString &error, QString &helpText)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate("LabelOptions",
                                    "Prints a sticker from a label template through Norvane's label job.\n"
                                    "Values fill the template's fields in order; fields without a value print their\n"
                                    "defaults (the shipped template's defaults are sample values).\n"
                                    "Without --pdf or --png the sticker goes to the default printer.\n"
                                    "--preview shows the sticker in the report viewer instead (it needs a display);\n"
                                    "its Print button prints one sticker to the default printer or the --pdf folder."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QCoreApplication::translate("LabelOptions", "Show this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QCoreApplication::translate("LabelOptions", "Show the program's version."));
    const QCommandLineOption templ(
        {QStringLiteral("t"), QStringLiteral("template")},
        QCoreApplication::translate(
            "LabelOptions",
            "Label template (default: the laboratory's own LabBarcodeLabel.rpt in /etc/norvane/, else the "
            "one beside this program, else the shipped one in /usr/share/norvane/). Without a file, as "
            "the last argument: say which template is used and where it was looked for."),
        QStringLiteral("file"));
    const QCommandLineOption pdf(
        QStringLiteral("pdf"),
        QCoreApplication::translate("LabelOptions", "Write one PDF file per copy into this folder."),
        QStringLiteral("dir"));
    const QCommandLineOption png(QStringLiteral("png"),
                                 QCoreApplication::translate("LabelOptions", "Write the sticker to this PNG file."),
                                 QStringLiteral("file"));
    const QCommandLineOption dpi(QStringLiteral("dpi"),
                                 QCoreApplication::translate("LabelOptions", "Resolution of the PNG (default 203)."),
                                 QStringLiteral("n"), QStringLiteral("203"));
    const QCommandLineOption copies(
        {QStringLiteral("c"), QStringLiteral("copies")},
        QCoreApplication::translate("LabelOptions",
                                    "Copies, each its own print job (default 1; 0 or less prints none)."),
        QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption list(
        QStringLiteral("list-fields"),
        QCoreApplication::translate("LabelOptions", "List the template's fields and defaults, print nothing."));
    const QCommandLineOption preview(
        QStringLiteral("preview"),
        QCoreApplication::translate("LabelOptions", "Show the sticker in the report viewer instead of printing it."));
    parser.addOptions({help, version, templ, pdf, png, dpi, copies, list, preview});
    parser.addPositionalArgument(
        QStringLiteral("values"),
        QCoreApplication::translate("LabelOptions",
                                    "Field values in order: Barcode PatientName HospNum Instrument "
                                    "Transdate RoomID AgeSex for the shipped template."),
        QStringLiteral("[value...]"));

    // --template as the last argument has no file: it asks which template is used.
    QStringList given = arguments;
    if (given.size() > 1
        && (given.constLast() == QLatin1String("--template") || given.constLast() == QLatin1String("-t"))) {
        given.removeLast();
        options.showTemplate = true;
    }
    if (!parser.parse(given)) {
        error = parser.errorText();
        return false;
    }
    if (parser.isSet(help)) {
        helpText = parser.helpText();
        return false;
    }
    options.version = parser.isSet(version);
    if (options.version)
        return true;
    if (parser.isSet(pdf) && parser.isSet(png)) {
        error = QCoreApplication::translate("LabelOptions", "Give either --pdf or --png, not both.");
        return false;
    }
    if (parser.isSet(preview) && parser.isSet(png)) {
        error = QCoreApplication::translate("LabelOptions",
                                            "--preview shows the sticker on screen; it does not write a PNG file.");
        return false;
    }
    if (parser.isSet(pdf)) {
        options.destination = LabelOptions::Destination::PdfDirectory;
        options.output = parser.value(pdf);
    } else if (parser.isSet(png)) {
        options.destination = LabelOptions::Destination::Png;
        options.output = parser.value(png);
    }
    if (options.destination != LabelOptions::Destination::Printer && options.output.isEmpty()) {
        error = QCoreApplication::translate("LabelOptions", "The output path is empty.");
        return false;
    }
    bool ok = false;
    options.dotsPerInch = parser.value(dpi).toDouble(&ok);
    if (!ok || options.dotsPerInch < 50 || options.dotsPerInch > 4800) {
        error = QCoreApplication::translate("LabelOptions", "--dpi takes a resolution from 50 to 4800.");
        return false;
    }
    // The label job's count, as Norvane's copies box gives it: 0 or less prints nothing.
    options.copies = parser.value(copies).trimmed().toInt(&ok);
    if (!ok || options.copies < std::numeric_limits<qint16>::min()
        || options.copies > std::numeric_limits<qint16>::max()) {
        error = QCoreApplication::translate(
            "LabelOptions", "--copies takes a whole number from -32768 to 32767 (0 or less prints nothing).");
        return false;
    }
    options.templatePath = parser.value(templ);
    options.listFields = parser.isSet(list);
    options.preview = parser.isSet(preview);
    options.values = parser.positionalArguments();
    return true;
}
