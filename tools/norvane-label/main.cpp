// norvane-label: prints a sticker from a label template, for the people who edit
// templates and set up label printers. It goes through the program's own engine and
// label job, so what it prints is what Norvane prints.

#include "labeloptions.h"

#include "app/printersettings.h"
#include "report/frmreportviewer.h"
#include "report/labelrenderer.h"
#include "report/modmain.h"
#include "report/reporterror.h"
#include "report/reportoutput.h"

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QTextStream>

#include <algorithm>

namespace {

int run(const LabelOptions &options)
{
    QTextStream out(stdout);
    const QString templatePath = options.templatePath.isEmpty() ? report::labelTemplatePath() : options.templatePath;
    QVariantList values;
    for (const QString &v : options.values)
        values.append(v);

    if (options.listFields) {
        report::OpenReport(templatePath, {});
        for (const report::ParameterField &f : report::CurrentReport()->parameterFields())
            out << f.name() << " = \"" << f.defaultValue() << "\"\n";
        report::CurrentReport().reset();
        return 0;
    }

    if (options.preview) {
        // Through ShowReport's viewing path, as any viewing caller would.
        report::installReportViewer();
        report::ReportOutput::setPrintToDirectory(
            options.destination == LabelOptions::Destination::PdfDirectory ? options.output : QString());
        report::OpenReport(templatePath, values);
        report::ShowReport(true, QFileInfo(templatePath).fileName() + QStringLiteral(" - Label Preview"), false);
        return 0;
    }

    switch (options.destination) {
    case LabelOptions::Destination::Png: {
        report::OpenReport(templatePath, values);
        const QImage image = report::LabelRenderer::renderImage(*report::CurrentReport(), options.dotsPerInch);
        report::CurrentReport().reset();
        if (!image.save(options.output, "PNG"))
            throw report::ReportError(QStringLiteral("Cannot write the PNG file \"%1\".").arg(options.output));
        out << "Wrote " << options.output << '\n';
        return 0;
    }
    case LabelOptions::Destination::PdfDirectory:
        report::ReportOutput::setPrintToDirectory(options.output);
        report::printLabelCopies(templatePath, values, qint16(options.copies));
        out << "Wrote " << std::max(0, options.copies) << " PDF file(s) to " << options.output << '\n';
        return 0;
    case LabelOptions::Destination::Printer:
        report::ReportOutput::setPrintToDirectory(QString());
        report::printLabelCopies(templatePath, values, qint16(options.copies));
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
    // The label printer's settings, as Norvane reads them (a raw queue's language).
    app::applyPrinterSettings();
    try {
        return run(options);
    } catch (const report::ReportError &e) {
        err << "norvane-label: " << e.description() << '\n';
        return 1;
    }
}
