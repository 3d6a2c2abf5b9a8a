#pragma once

#include <QWidget>

namespace ui {

// The program's main window: scan a request number, see the patient and the
// checklist of exams, print their barcode stickers.
class frmNorvane : public QWidget
{
    Q_OBJECT

public:
    explicit frmNorvane(QWidget *parent = nullptr);
};

} // namespace ui
