// Time of one sticker copy through the label job (open the template, fill it, render,
// write the PDF) and of the raw render alone. Target: well under 5 ms per copy, so the
// program never holds back a thermal printer (about 185 ms per 25 mm label at 6 ips).

#include "bench/benchstats.h"
#include "label/labelrenderer.h"
#include "output/labeloutput.h"
#include "report/modmain.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    const int runs = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 300;
    const QString templatePath = report::labelTemplatePath();
    const QVariantList values{
        QStringLiteral("2412100042"), QStringLiteral("DELA CRUZ, MARIA SANTOS"), QStringLiteral("00123456"),
        QStringLiteral("HEMATOLOGY"), QStringLiteral("12/10/2026 8:15:00 AM"),   QStringLiteral("ER-3"),
        QStringLiteral("45/F")};
    QTemporaryDir dir;
    output::LabelOutput labelOutput({dir.path(), {}});
    report::modMain labels(labelOutput);

    auto time = [&](auto &&work) {
        QList<double> samples;
        for (int i = 0; i < 10; ++i) // warm-up: font cache, Zint tables
            work();
        QElapsedTimer t;
        for (int i = 0; i < runs; ++i) {
            t.start();
            work();
            samples << t.nsecsElapsed() / 1e6;
        }
        return bench::summarize(samples);
    };

    const bench::Stats copy = time([&] { labels.printLabelCopies(templatePath, values, 1); });

    const bench::Stats open = time([&] { labels.OpenReport(templatePath, values); });
    const bench::Stats pdf = time([&] { labelOutput.print(labels.CurrentReport()->asLabel()); });
    const label::Label rep = labels.CurrentReport()->asLabel();
    QImage image(QSize(406, 203), QImage::Format_RGB32);
    const bench::Stats render203 = time([&] {
        QPainter painter(&image);
        label::render(painter, rep, 203);
    });
    QImage image300(QSize(600, 300), QImage::Format_RGB32);
    const bench::Stats render300 = time([&] {
        QPainter painter(&image300);
        label::render(painter, rep, 300);
    });

    bench::print(out, QStringLiteral("label copy: open, fill, render, write PDF"), copy);
    bench::print(out, QStringLiteral("  of which open and fill the template"), open);
    bench::print(out, QStringLiteral("  of which render and write the PDF"), pdf);
    bench::print(out, QStringLiteral("raw render, 203 dpi image"), render203);
    bench::print(out, QStringLiteral("raw render, 300 dpi image"), render300);
    out << (copy.median < 5.0 ? "OK" : "SLOW") << ": target under 5 ms per copy\n";
    return 0;
}
