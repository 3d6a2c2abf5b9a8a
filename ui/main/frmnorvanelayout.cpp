// Plain placement of the main window's controls in their containers, in
// pixels. The window's full layout (sizes, fonts, colours, header, pictures
// and slideshow) takes the place of this file.
#include "ui/main/frmnorvane.h"

#include "widgets/vkcheck.h"
#include "widgets/vkcommand.h"
#include "widgets/vkframe.h"
#include "widgets/vklabel.h"
#include "widgets/vklistbox.h"
#include "widgets/vktextbox.h"

#include <QLabel>
#include <QPushButton>

namespace ui {

void frmNorvane::layoutControls()
{
    resize(1100, 620);
    fraMain->setGeometry(10, 10, 1080, 600);

    fraSearch->setGeometry(560, 10, 510, 120);
    Image1->setGeometry(12, 26, 49, 50);
    Label1->setGeometry(70, 28, 300, 14);
    Label2->setGeometry(70, 44, 430, 14);
    txtNumber->setGeometry(68, 64, 380, 40);
    cmdKeyboard->setGeometry(456, 62, 46, 42);
    cmdKeyboard->setText(QStringLiteral("\u2328"));

    fraExams->setGeometry(560, 140, 510, 450);
    lblPatientName->setGeometry(12, 27, 486, 40);
    lstExams->setGeometry(30, 72, 456, 190);
    chkAll->setGeometry(33, 267, 160, 31);
    vkLabel1->setGeometry(200, 273, 240, 19);
    txtCopies->setGeometry(447, 267, 40, 31);
    cmdGenerate->setGeometry(162, 318, 163, 64);
    cmdNew->setGeometry(330, 318, 163, 64);
}

} // namespace ui
