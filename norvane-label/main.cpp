// norvane-label: prints a sticker from a label template, for the people who edit
// templates and set up label printers. It goes through the program's own engine and
// label job, so what it prints is what Norvane prints.

#include "norvane-label/labeloptions.h"

#include "label/labelerror.h"
#include "label/labelrenderer.h"
#include "output/labeloutput.h"
#include "report/modmain.h"
#include "report/viewer/frmreportviewer.h"
#include "settings/printersettings.h"

#include <QApplication>
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
        labels.ShowReport(true, QFileInfo(templatePath).fileName() + QStringLiteral(" - Label Preview"), false);
        return 0;
    }

    switch (options.destination) {
    case LabelOptions::Destination::Png: {
        labels.OpenReport(templatePath, values);
        const QImage image = label::LabelRenderer::renderImage(labels.CurrentReport()->asLabel(), options.dotsPerInch);
        labels.CurrentReport().reset();
        if (!image.save(options.output, "PNG"))
            throw label::LabelError(QStringLiteral("Cannot write the PNG file \"%1\".").arg(options.output));
        out << "Wrote " << options.output << '\n';
        return 0;
    }
    case LabelOptions::Destination::PdfDirectory:
        labels.printLabelCopies(templatePath, values, qint16(options.copies));
        out << "Wrote " << std::max(0, options.copies) << " PDF file(s) to " << options.output << '\n';
        return 0;
    case LabelOptions::Destination::Printer:
        labels.printLabelCopies(templatePath, values, qint16(options.copies));
        out << "Sent " << std::max(0, options.copies) << " sticker(s) to the default printer\n";
        return 0;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Printing and PNG output need fonts, not a screen: run on a server without one.
    // The preview needs a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        for (int i = 1; i < argc; ++i) {
            if (qstrcmp(argv[i], "--preview") == 0) {
                QTextStream(stderr) << "norvane-label: --preview needs a display.\n";
                return 2;
            }
        }
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("norvane-label"));
    QTextStream err(stderr);
    LabelOptions options;
    QString error, help;
    if (!parseLabelOptions(QApplication::arguments(), options, error, help)) {
        if (!help.isEmpty()) {
            QTextStream(stdout) << help;
            return 0;
        }
        err << "norvane-label: " << error << "\nTry norvane-label --help.\n";
        return 2;
    }
    try {
        return run(options);
    } catch (const label::LabelError &e) {
        err << "norvane-label: " << e.description() << '\n';
        return 1;
    }
}
