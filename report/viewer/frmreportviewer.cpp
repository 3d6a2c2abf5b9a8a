#include "report/viewer/frmreportviewer.h"

#include "label/labelerror.h"
#include "report/modmain.h"
#include "report/viewer/reportviewercontrol.h"
#include "widgets/messagebox.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QScreen>

#include <memory>

namespace report {

namespace {

// Design size of the viewer in the design client area, in pixels (twips / 15):
// left 0, top 30, 4635 x 3135 twips in 4650 x 3165. The resize handling fits it
// to the client area before the window is first seen.
constexpr QRect kViewerDesign(0, 2, 309, 209);
constexpr QSize kClientDesign(310, 211);

} // namespace

frmReportViewer::frmReportViewer(modMain &labels, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_labels(labels)
{
    setObjectName(QStringLiteral("frmReportViewer"));
}

frmReportViewer::~frmReportViewer() = default;

QString frmReportViewer::caption()
{
    load();
    return windowTitle();
}

void frmReportViewer::setCaption(const QString &caption)
{
    load();
    setWindowTitle(caption);
}

ReportViewerControl *frmReportViewer::crViewer1()
{
    load();
    return m_viewer;
}

void frmReportViewer::setVisible(bool visible)
{
    if (visible)
        load();
    QWidget::setVisible(visible);
}

void frmReportViewer::load()
{
    if (m_loaded || m_loading)
        return;
    m_loading = true;
    setWindowTitle(tr("View Report"));
    resize(kClientDesign);
    m_viewer = new ReportViewerControl(this);
    m_viewer->setObjectName(QStringLiteral("crViewer1"));
    m_viewer->setAccessibleName(tr("Report viewer"));
    m_viewer->setGeometry(kViewerDesign);
    connect(m_viewer, &ReportViewerControl::printButtonClicked, this, &frmReportViewer::onPrintButtonClicked);
    m_loaded = true;
    m_loading = false;

    // The load steps. A failure ends them here and reaches whoever used the window.
    m_viewer->setReportSource(m_labels.CurrentReport().get());
    m_viewer->zoom(1);
    m_viewer->setDisplayGroupTree(m_showGroupTree);
    m_viewer->setEnableGroupTree(m_showGroupTree);
    if (m_directPrint)
        m_viewer->printReport();
    else
        m_viewer->viewReport();
}

void frmReportViewer::showModal()
{
    load();
    setWindowModality(Qt::ApplicationModal);
    // Without a window manager nothing maximizes a window: give it the screen's
    // working area as well, so it fills the screen either way.
    if (QScreen *s = screen())
        setGeometry(s->availableGeometry());
    QEventLoop loop;
    connect(this, &frmReportViewer::closed, &loop, &QEventLoop::quit);
    showMaximized();
    if (isVisible())
        loop.exec();
}

void frmReportViewer::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_viewer) {
        m_viewer->move(0, 0);
        m_viewer->resize(width(), height());
    }
}

void frmReportViewer::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmReportViewer::onPrintButtonClicked()
{
    try {
        m_viewer->printReport();
    } catch (const label::LabelError &e) {
        // Nothing was printed: say why and keep the report on screen, so that
        // it can be printed again once the printer is ready, or closed.
        widgets::MsgBox(e.description());
        return;
    }
    close();
}

void frmReportViewer::closeEvent(QCloseEvent *event)
{
    // Detach the viewer before the report goes, so it never draws a released report.
    if (m_viewer)
        m_viewer->setReportSource(nullptr);
    m_labels.CurrentReport().reset();
    event->accept();
    Q_EMIT closed();
}

void showReportViewer(modMain &labels, bool ShowGroupTree, const QString &Caption)
{
    auto window = std::make_unique<frmReportViewer>(labels);
    window->setShowGroupTree(ShowGroupTree);
    window->setCaption(Caption);
    window->setDirectPrint(false);
    window->crViewer1()->zoom(1);
    window->showModal();
    window.reset();
}

void installReportViewer(modMain &labels)
{
    labels.setReportViewer(
        [&labels](bool ShowGroupTree, const QString &Caption) { showReportViewer(labels, ShowGroupTree, Caption); });
}

} // namespace report
