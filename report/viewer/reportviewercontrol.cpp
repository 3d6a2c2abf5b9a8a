#include "report/viewer/reportviewercontrol.h"

#include "label/labelerror.h"
#include "label/labelrenderer.h"
#include "report/report.h"

#include <QAction>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScrollBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace report {

ReportViewerControl::ReportViewerControl(QWidget *parent)
    : QWidget(parent)
    // The preview never prints through this printer (printing goes through the
    // report's label output); PDF output keeps it from asking the print system anything.
    , m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    m_printer->setOutputFormat(QPrinter::PdfFormat);

    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("viewerToolBar"));
    m_toolBar->setAccessibleName(tr("Viewer toolbar"));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_print = m_toolBar->addAction(tr("Print", "toolbar button: prints the report"));
    m_print->setObjectName(QStringLiteral("printAction"));
    m_print->setShortcut(QKeySequence::Print);
    m_print->setToolTip(tr("Print the report (Ctrl+P)"));
    m_toolBar->addSeparator();
    m_groupTreeToggle = m_toolBar->addAction(tr("Group Tree"));
    m_groupTreeToggle->setObjectName(QStringLiteral("groupTreeAction"));
    m_groupTreeToggle->setCheckable(true);
    m_toolBar->addSeparator();
    QAction *pageWidth = m_toolBar->addAction(tr("Page Width"));
    QAction *wholePage = m_toolBar->addAction(tr("Whole Page"));
    QAction *zoomIn = m_toolBar->addAction(tr("Zoom In"));
    QAction *zoomOut = m_toolBar->addAction(tr("Zoom Out"));

    m_groupTree = new QTreeWidget(this);
    m_groupTree->setObjectName(QStringLiteral("groupTree"));
    m_groupTree->setAccessibleName(tr("Group Tree"));
    m_groupTree->setColumnCount(2);
    m_groupTree->setHeaderLabels({tr("Field"), tr("Value")});
    m_groupTree->setFixedWidth(160);

    m_preview = new QPrintPreviewWidget(m_printer.get(), this);
    m_preview->setObjectName(QStringLiteral("preview"));
    m_preview->setAccessibleName(tr("Report preview"));
    m_preview->setViewMode(QPrintPreviewWidget::SinglePageView);

    auto *body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    body->addWidget(m_groupTree);
    body->addWidget(m_preview, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addLayout(body, 1);
    setFocusProxy(m_preview);
    updateGroupTreeVisibility();

    connect(m_preview, &QPrintPreviewWidget::paintRequested, this, &ReportViewerControl::paintReport);
    connect(m_print, &QAction::triggered, this, [this] { Q_EMIT printButtonClicked(true); });
    connect(m_groupTreeToggle, &QAction::toggled, this, [this](bool on) {
        if (on != m_displayGroupTree)
            setDisplayGroupTree(on);
    });
    connect(pageWidth, &QAction::triggered, this, [this] { zoom(1); });
    connect(wholePage, &QAction::triggered, this, [this] { zoom(2); });
    connect(zoomIn, &QAction::triggered, m_preview, [this] { m_preview->zoomIn(); });
    connect(zoomOut, &QAction::triggered, m_preview, [this] { m_preview->zoomOut(); });
}

ReportViewerControl::~ReportViewerControl() = default;

void ReportViewerControl::setReportSource(const Report *report)
{
    m_report = report;
    if (m_report) {
        const label::LabelTemplate &t = m_report->labelTemplate();
        const QPageSize size(QSizeF(t.width, t.height), QPageSize::Millimeter, QStringLiteral("Label"),
                             QPageSize::ExactMatch);
        m_printer->setPageLayout(QPageLayout(size, QPageLayout::Portrait, QMarginsF()));
    }
    fillGroupTree();
}

void ReportViewerControl::zoom(qint16 level)
{
    if (level == 1) {
        m_preview->setZoomMode(QPrintPreviewWidget::FitToWidth);
    } else if (level == 2) {
        m_preview->setZoomMode(QPrintPreviewWidget::FitInView);
    } else if (level >= 10 && level <= 1000) {
        m_preview->setZoomMode(QPrintPreviewWidget::CustomZoom);
        m_preview->setZoomFactor(level / 100.0);
    }
}

void ReportViewerControl::setDisplayGroupTree(bool on)
{
    m_displayGroupTree = on;
    updateGroupTreeVisibility();
}

void ReportViewerControl::setEnableGroupTree(bool on)
{
    m_enableGroupTree = on;
    updateGroupTreeVisibility();
}

void ReportViewerControl::updateGroupTreeVisibility()
{
    m_groupTree->setVisible(m_displayGroupTree);
    m_groupTreeToggle->setVisible(m_enableGroupTree);
    m_groupTreeToggle->setEnabled(m_enableGroupTree);
    const QSignalBlocker block(m_groupTreeToggle);
    m_groupTreeToggle->setChecked(m_displayGroupTree);
}

void ReportViewerControl::fillGroupTree()
{
    m_groupTree->clear();
    if (!m_report)
        return;
    auto *root = new QTreeWidgetItem(m_groupTree,
                                     {QFileInfo(m_report->filePath()).fileName(), m_report->reportTitle()});
    const QList<ParameterField> &fields = m_report->parameterFields();
    for (int i = 0; i < fields.size(); ++i)
        new QTreeWidgetItem(root, {fields.at(i).name(), m_report->fieldValue(i)});
    root->setExpanded(true);
    // Wide enough for the values, within reason; the preview takes the rest.
    m_groupTree->resizeColumnToContents(0);
    m_groupTree->resizeColumnToContents(1);
    const int wanted = m_groupTree->columnWidth(0) + m_groupTree->columnWidth(1) + 2 * m_groupTree->frameWidth()
        + m_groupTree->verticalScrollBar()->sizeHint().width();
    m_groupTree->setFixedWidth(qBound(160, wanted, 480));
}

void ReportViewerControl::viewReport()
{
    if (!m_report)
        throw label::LabelError(tr("The viewer has no report to show."));
    // Everything that can fail about drawing the label fails here, not in paint.
    const label::LabelRenderer check(m_report->asLabel(), m_printer->resolution());
    fillGroupTree();
    m_preview->updatePreview();
}

void ReportViewerControl::printReport()
{
    if (!m_report)
        throw label::LabelError(tr("The viewer has no report to print."));
    m_report->printOut(false);
}

void ReportViewerControl::paintReport(QPrinter *printer)
{
    QPainter painter(printer);
    if (!m_report)
        return; // detached: a blank page
    try {
        label::render(painter, m_report->asLabel(), printer->resolution());
    } catch (const label::LabelError &e) {
        // Reached only when the report changed after viewReport checked it.
        painter.drawText(painter.viewport(), Qt::AlignCenter | Qt::TextWordWrap, e.description());
    }
}

} // namespace report
