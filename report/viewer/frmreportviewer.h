#pragma once

#include <QString>
#include <QWidget>

namespace report {

class ReportViewerControl;
class modMain;

// The window that shows CurrentReport (of the modMain it is given) in the report
// viewer control crViewer1, which fills its client area. Opened only by the viewing
// path of ShowReport (showReportViewer below), modally; every close, by whatever
// cause, releases CurrentReport.
//
// The window loads lazily: creating it builds nothing. The first use of its
// caption (caption(), setCaption()), of its viewer (crViewer1()) or showing it
// loads it, and loading runs these steps once, in this order:
//  1. the viewer's report source becomes CurrentReport;
//  2. the viewer's zoom call with 1 (page width);
//  3. and 4. the viewer's two group-tree settings (the side panel shown, and
//     its toolbar button available) both become ShowGroupTree;
//  5. DirectPrint set: the viewer prints the report; otherwise it views it.
// ShowGroupTree and DirectPrint are set-only and do not load the window, so
// they count only when set before it loads.
//
// Esc pressed while the window itself gets the key (directly, or passed on by
// a child that does not use it) closes it, whatever Shift, Ctrl or Alt; other
// keys do nothing here. The viewer's Print button prints the report, then
// closes the window; when printing fails the window shows why and stays open.
class frmReportViewer : public QWidget
{
    Q_OBJECT

public:
    explicit frmReportViewer(modMain &labels, QWidget *parent = nullptr);
    ~frmReportViewer() override;

    void setShowGroupTree(bool on) { m_showGroupTree = on; }
    void setDirectPrint(bool on) { m_directPrint = on; }

    QString caption();
    void setCaption(const QString &caption);
    ReportViewerControl *crViewer1();

    // Shows the window maximized and application-modal, and returns once it
    // has been closed.
    void showModal();

    bool isLoaded() const { return m_loaded; }

    void setVisible(bool visible) override;

Q_SIGNALS:
    void closed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void load();
    void onPrintButtonClicked();

    modMain &m_labels;
    ReportViewerControl *m_viewer = nullptr;
    bool m_loaded = false;
    bool m_loading = false;
    bool m_showGroupTree = false;
    bool m_directPrint = false;
};

// The viewing path of ShowReport: creates a window, sets ShowGroupTree, sets
// the caption (which loads it, viewing CurrentReport), sets DirectPrint to
// false, makes the viewer's zoom call with 1, shows it modally and releases it
// once it has closed.
void showReportViewer(modMain &labels, bool ShowGroupTree, const QString &Caption);

// Makes showReportViewer the viewing path of the module's ShowReport.
void installReportViewer(modMain &labels);

} // namespace report
