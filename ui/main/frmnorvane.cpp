#include "ui/main/frmnorvane.h"

#include "ui/main/activationwatch.h"
#include "ui/main/patientnamelabel.h"
#include "widgets/vkcheck.h"
#include "widgets/vkcommand.h"
#include "widgets/vkframe.h"
#include "widgets/vklabel.h"
#include "widgets/vklistbox.h"
#include "widgets/vktextbox.h"

#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

namespace ui {

namespace {

template<typename T>
T *named(T *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

frmNorvane::frmNorvane(counter::PatientSearch &search, counter::PrintRun &printRun, QWidget *parent)
    : QWidget(parent)
    , m_search(search)
    , m_printRun(printRun)
{
    setObjectName(QStringLiteral("frmNorvane"));
    setWindowTitle(QStringLiteral(" Norvane"));
    setupControls();
    layoutControls();
    connectHandlers();
}

frmNorvane::~frmNorvane() = default;

void frmNorvane::setupControls()
{
    fraMain = named(new widgets::vkFrame(this), "fraMain");

    fraSearch = named(new widgets::vkFrame(fraMain), "fraSearch");
    fraSearch->setCaption(tr("Search A Patient"));
    txtNumber = named(new widgets::vkTextBox(fraSearch), "txtNumber");
    txtNumber->setKeyPressHandler(&frmNorvane::numberKeyFilter);
    txtNumber->setToolTip(tr("Scan the barcode or type the chargeslip number, then press Enter.\n"
                             "F9: today's stickers printed on this workstation."));
    cmdKeyboard = named(new QPushButton(fraSearch), "cmdKeyboard");
    cmdKeyboard->setAutoDefault(false);
    //: The button that opens the on-screen keypad.
    cmdKeyboard->setToolTip(tr("Keyboard"));
    Image1 = named(new QLabel(fraSearch), "Image1");
    Label1 = named(new QLabel(tr("To Search Patient :"), fraSearch), "Label1");
    Label2 = named(
        new QLabel(tr("Scan the barcode of patient or type in the chargeslip no. of the patient."), fraSearch),
        "Label2");

    fraExams = named(new widgets::vkFrame(fraMain), "fraExams");
    //: The caption of the frame that lists the patient's exams with their barcodes.
    fraExams->setCaption(tr("Barcode", "frame caption"));
    vkLabel1 = named(new widgets::vkLabel(fraExams), "vkLabel1");
    vkLabel1->setCaption(tr("Number of Copies :"));
    vkLabel1->setAlignmentCode(widgets::vkLabel::AlignmentCode::Right);
    txtCopies = named(new widgets::vkTextBox(fraExams), "txtCopies");
    txtCopies->setText(QStringLiteral("1"));
    chkAll = named(new widgets::vkCheck(fraExams), "chkAll");
    chkAll->setCaption(tr("Check All"));
    cmdNew = named(new widgets::vkCommand(tr("Reset"), fraExams), "cmdNew");
    lblPatientName = named(new PatientNameLabel(fraExams), "lblPatientName");
    lblPatientName->setName(tr("[Patient Name]"));
    lblPatientName->setAlignmentCode(widgets::vkLabel::AlignmentCode::Centre);
    cmdGenerate = named(new widgets::vkCommand(tr("Print", "button: prints the stickers"), fraExams), "cmdGenerate");
    lstExams = named(new widgets::vkListBox(fraExams), "lstExams");
    lstExams->setStylecheckbox(true);
    lstExams->setSorted(false);

    // What a screen reader calls the controls whose captions do not say it.
    fraMain->setAccessibleName(QStringLiteral("Norvane"));
    txtNumber->setAccessibleName(tr("Barcode or chargeslip number"));
    txtNumber->setAccessibleDescription(Label2->text());
    cmdKeyboard->setAccessibleName(tr("Keyboard"));
    cmdKeyboard->setAccessibleDescription(tr("Opens the on-screen keypad"));
    //: For screen readers: the magnifier picture beside the number box (a noun, not a command).
    Image1->setAccessibleName(tr("Search"));
    lstExams->setAccessibleName(tr("Exams"));
    txtCopies->setAccessibleName(tr("Number of Copies"));

    // Tab order of the input controls.
    QWidget::setTabOrder(cmdKeyboard, txtNumber);
    QWidget::setTabOrder(txtNumber, lstExams);
    QWidget::setTabOrder(lstExams, cmdGenerate);
    QWidget::setTabOrder(cmdGenerate, cmdNew);
    QWidget::setTabOrder(cmdNew, chkAll);
    QWidget::setTabOrder(chkAll, txtCopies);
}

void frmNorvane::connectHandlers()
{
    m_activation = new ActivationWatch(this);
    connect(m_activation, &ActivationWatch::activated, this, &frmNorvane::onActivated);
    connect(txtNumber, &widgets::vkTextBox::keyDown, this, &frmNorvane::onNumberKeyDown);
    connect(chkAll, &widgets::vkCheck::clickEvent, this, &frmNorvane::onCheckAllClicked);
    connect(cmdNew, &widgets::vkCommand::clicked, this, &frmNorvane::onResetClicked);
    connect(cmdGenerate, &widgets::vkCommand::clicked, this, &frmNorvane::onGenerateClicked);
    connect(cmdKeyboard, &QPushButton::clicked, this, &frmNorvane::onKeyboardClicked);
    txtNumber->installEventFilter(this);
    cmdGenerate->installEventFilter(this);
    auto *todaysStickers = new QShortcut(QKeySequence(Qt::Key_F9), this);
    connect(todaysStickers, &QShortcut::activated, this, &frmNorvane::showTodaysStickers);
}

void frmNorvane::ResetForm(bool SearchEnabled, bool ExamsEnabled, bool ClearNumber, bool FocusNumber)
{
    fraSearch->setEnabled(SearchEnabled);
    fraExams->setEnabled(ExamsEnabled);
    if (ClearNumber)
        txtNumber->setText(QString());
    if (FocusNumber)
        txtNumber->setFocus(Qt::OtherFocusReason);
    lstExams->clear();
    chkAll->setValue(0);
    lblPatientName->setName(QString());
    txtCopies->setText(QStringLiteral("1"));
    fraSearch->takeFocus();
}

void frmNorvane::onActivated()
{
    // Closing the keypad keeps what was typed on it, ready for Enter.
    ResetForm(true, false, !m_keypadOpen, true);
    // Once the window first shows: what the journal holds as printed and not recorded.
    if (!m_reviewedAtStart) {
        m_reviewedAtStart = true;
        QTimer::singleShot(0, this, &frmNorvane::reviewAtStart);
    }
}

void frmNorvane::onCheckAllClicked()
{
    if (chkAll->value() == 1) {
        lstExams->checkAll();
        if (lstExams->listCount() >= 1)
            cmdGenerate->setEnabled(true);
    } else {
        lstExams->uncheckAll();
    }
}

void frmNorvane::onResetClicked()
{
    cmdGenerate->setEnabled(false);
    ResetForm(true, false, true, true);
}

} // namespace ui
