#pragma once

#include <QWidget>

#include <memory>

class QAction;
class QPrinter;
class QPrintPreviewWidget;
class QToolBar;
class QTreeWidget;

namespace report {

class Report;

// The report viewer control: a toolbar over an optional side panel (the group
// tree) and a print preview of the report's label. It draws through the same
// label renderer as print jobs, at the preview's resolution.
//
// Its operations, by role:
//  - setReportSource(): the report to show (not owned; the window detaches it
//    before the report is released);
//  - zoom(): the viewer call with a small integer. 1 fits the page's width into
//    the view, 2 shows the whole page; 10 to 1000 is a zoom in percent. Other
//    values leave the zoom alone.
//  - the two group-tree settings: displayGroupTree shows the side panel, which
//    lists the report's template and each parameter field with the value it
//    prints; enableGroupTree makes the toolbar's "Group Tree" button available,
//    with which the user shows or hides that panel;
//  - viewReport(): shows the report (and fails with a label::LabelError, before
//    anything is drawn, if its label cannot be drawn);
//  - printReport(): prints one copy as one job through the report's label
//    output, without a dialog.
// The toolbar's "Print" action is the control's one notification,
// printButtonClicked; the control itself does not print on it.
class ReportViewerControl : public QWidget
{
    Q_OBJECT

public:
    explicit ReportViewerControl(QWidget *parent = nullptr);
    ~ReportViewerControl() override;

    void setReportSource(const Report *report);
    const Report *reportSource() const { return m_report; }

    void zoom(qint16 level);

    void setDisplayGroupTree(bool on);
    bool displayGroupTree() const { return m_displayGroupTree; }
    void setEnableGroupTree(bool on);
    bool enableGroupTree() const { return m_enableGroupTree; }

    void viewReport();
    void printReport();

    QPrintPreviewWidget *preview() const { return m_preview; }
    QTreeWidget *groupTree() const { return m_groupTree; }
    QAction *printAction() const { return m_print; }
    QAction *groupTreeAction() const { return m_groupTreeToggle; }

Q_SIGNALS:
    // The toolbar's Print action was triggered; the argument carries nothing.
    void printButtonClicked(bool useDefault);

private:
    void paintReport(QPrinter *printer);
    void fillGroupTree();
    void updateGroupTreeVisibility();

    const Report *m_report = nullptr;
    std::unique_ptr<QPrinter> m_printer;
    QToolBar *m_toolBar = nullptr;
    QTreeWidget *m_groupTree = nullptr;
    QPrintPreviewWidget *m_preview = nullptr;
    QAction *m_print = nullptr;
    QAction *m_groupTreeToggle = nullptr;
    bool m_displayGroupTree = false;
    bool m_enableGroupTree = false;
};

} // namespace report
