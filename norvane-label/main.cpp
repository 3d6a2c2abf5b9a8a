// norvane-label: prints a sticker from a label template, for the people who edit
// templates and set up label printers. It goes through the program's own engine and
// label job, so what it prints is what Norvane prints.

#include "norvane-label/labeloptions.h"

#include "core/translations.h"
#include "label/labelerror.h"
#include "label/labelrenderer.h"
#include "output/labeloutput.h"
#include "report/modmain.h"
#include "report/viewer/frmreportviewer.h"
#include "settings/printersettings.h"
#include "widgets/displaycheck.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTextStream>

#include <algorithm>

namespace {

// Where the tool's labels go: the PDF folder it is given, else the default printer
// (with the label printer's settings, as Norvane reads them).
output::LabelOutput::Destination destination(const LabelOptions &options)
{
    const bool toPdf = options.destination == LabelOptions::Destination::PdfDirectory;
    const settings::PrinterSettings printer = settings::readPrinterSettings();
    return {toPdf ? options.output : QString(), {printer.language, printer.dotsPerInch}};
}

// --template without a file: the template in use, and every place looked at.
int showTemplate(const LabelOptions &options)
{
    QTextStream out(stdout);
    if (!options.templatePath.isEmpty()) {
        const bool exists = QFileInfo::exists(options.templatePath);
        out << (exists ? QCoreApplication::translate("norvane-label", "Template: %1 (given)")
                       : QCoreApplication::translate("norvane-label", "Template: %1 (given; it does not exist)"))
                   .arg(options.templatePath)
            << '\n';
        return exists ? 0 : 1;
    }
    const report::LabelTemplateLookup lookup = report::findLabelTemplate();
    out << QCoreApplication::translate("norvane-label", "Template: %1").arg(report::describeLabelTemplate(lookup))
        << '\n'
        << QCoreApplication::translate("norvane-label", "Looked for, in this order:") << '\n';
    for (const report::TemplateCandidate &candidate : lookup.candidates) {
        const bool used = lookup.found && candidate.path == lookup.path;
        out << "  "
            << (used ? QCoreApplication::translate("norvane-label", "%1 (%2): used")
                    : QFileInfo::exists(candidate.path)
                    ? QCoreApplication::translate("norvane-label", "%1 (%2): there, not used")
                    : QCoreApplication::translate("norvane-label", "%1 (%2): none"))
                   .arg(QDir::toNativeSeparators(candidate.path), report::describeTemplatePlace(candidate.place))
            << '\n';
    }
    return lookup.found ? 0 : 1;
}

int run(const LabelOptions &options)
{
    QTextStream out(stdout);
    const QString templatePath = options.templatePath.isEmpty() ? report::labelTemplatePath() : options.templatePath;
    QVariantList values;
    for (const QString &v : options.values)
        values.append(v);
    output::LabelOutput labelOutput(destination(options));
    report::modMain labels(labelOutput);

    if (options.listFields) {
        labels.OpenReport(templatePath, {});
        for (const report::ParameterField &f : labels.CurrentReport()->parameterFields())
            out << f.name() << " = \"" << f.defaultValue() << "\"\n";
        labels.CurrentReport().reset();
        return 0;
    }

    if (options.preview) {
        // Through ShowReport's viewing path, as any viewing caller would.
        report::installReportViewer(labels);
        labels.OpenReport(templatePath, values);
        labels.ShowReport(
            true,
            QCoreApplication::translate("norvane-label", "%1 - Label Preview").arg(QFileInfo(templatePath).fileName()),
            false);
        return 0;
    }

    const int copies = std::max(0, options.copies); // the stickers a print makes
    switch (options.destination) {
    case LabelOptions::Destination::Png: {
        labels.OpenReport(templatePath, values);
        const QImage image = label::LabelRenderer::renderImage(labels.CurrentReport()->asLabel(), options.dotsPerInch);
        labels.CurrentReport().reset();
        if (!image.save(options.output, "PNG"))
            throw label::LabelError(
                QCoreApplication::translate("norvane-label", "Cannot write the PNG file \"%1\".").arg(options.output));
        out << QCoreApplication::translate("norvane-label", "Wrote %1").arg(options.output) << '\n';
        return 0;
    }
    case LabelOptions::Destination::PdfDirectory:
        labels.printLabelCopies(templatePath, values, qint16(options.copies));
        out << QCoreApplication::translate("norvane-label", "Wrote %n PDF file(s) to %1", nullptr, copies)
                   .arg(options.output)
            << '\n';
        return 0;
    case LabelOptions::Destination::Printer:
        labels.printLabelCopies(templatePath, values, qint16(options.copies));
        out << QCoreApplication::translate("norvane-label", "Sent %n sticker(s) to the default printer", nullptr,
                                           copies)
            << '\n';
        return 0;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // Printing and PNG output need fonts, not a screen: without a display they run on
    // Qt's offscreen platform. The preview needs a display, and says so when there is none.
    widgets::DisplayCheck display(argc, argv);
    if (!display.missing().isEmpty()) {
        for (int i = 1; i < argc; ++i) {
            if (qstrcmp(argv[i], "--preview") == 0) {
                QCoreApplication application(argc, argv);
                const core::Translations translations;
                QTextStream(stderr) << widgets::noDisplayMessage(
                    QStringLiteral("norvane-label"),
                    QCoreApplication::translate("norvane-label", "%1; --preview shows the sticker in a window")
                        .arg(display.missing()))
                                    << '\n';
                return 1;
            }
        }
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    display.close(); // the application has its own connection now
    QApplication::setApplicationName(QStringLiteral("norvane-label"));
    // The workstation's language, before the first text.
    const core::Translations translations;
    QTextStream err(stderr);
    LabelOptions options;
    QString error, help;
    if (!parseLabelOptions(QApplication::arguments(), options, error, help)) {
        if (!help.isEmpty()) {
            QTextStream(stdout) << help;
            return 0;
        }
        err << "norvane-label: " << error << '\n'
            << QCoreApplication::translate("norvane-label", "Try norvane-label --help.") << '\n';
        return 2;
    }
    if (options.version) {
        QTextStream(stdout) << "norvane-label " NORVANE_VERSION "\n";
        return 0;
    }
    if (options.showTemplate)
        return showTemplate(options);
    try {
        return run(options);
    } catch (const label::LabelError &e) {
        err << "norvane-label: " << e.description() << '\n';
        return 1;
    }
}
