#include "ui/main/frmnorvane.h"

#include "core/error.h"
#include "db/commands.h"
#include "db/dbconnection.h"
#include "db/readretry.h"
#include "ui/main/activationwatch.h"
#include "ui/main/busycursor.h"
#include "ui/main/exclusiverun.h"
#include "ui/main/patientnamelabel.h"
#include "ui/main/searchfailure.h"
#include "ui/main/searchrules.h"
#include "widgets/messagebox.h"
#include "widgets/vkcheck.h"
#include "widgets/vkcommand.h"
#include "widgets/vkframe.h"
#include "widgets/vklabel.h"
#include "widgets/vklistbox.h"
#include "widgets/vktextbox.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>

#include <exception>
#include <stdexcept>

namespace ui {

namespace {
constexpr int kEnter = 13;

bool isEnter(const QKeyEvent &key)
{
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}

// A key press that puts a character into a text box.
bool typesCharacter(const QKeyEvent &key)
{
    return key.type() == QEvent::KeyPress && !key.text().isEmpty() && key.text().front().isPrint();
}

template<typename T>
T *named(T *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}
} // namespace

frmNorvane::frmNorvane(report::modMain &labels, QWidget *parent)
    : QWidget(parent)
    , m_labels(labels)
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
    fraSearch->setCaption(QStringLiteral("Search A Patient"));
    txtNumber = named(new widgets::vkTextBox(fraSearch), "txtNumber");
    txtNumber->setKeyPressHandler(&frmNorvane::numberKeyFilter);
    cmdKeyboard = named(new QPushButton(fraSearch), "cmdKeyboard");
    cmdKeyboard->setAutoDefault(false);
    cmdKeyboard->setToolTip(QStringLiteral("Keyboard"));
    Image1 = named(new QLabel(fraSearch), "Image1");
    Label1 = named(new QLabel(QStringLiteral("To Search Patient :"), fraSearch), "Label1");
    Label2 = named(
        new QLabel(QStringLiteral("Scan the barcode of patient or type in the chargeslip no. of the patient."),
                   fraSearch),
        "Label2");

    fraExams = named(new widgets::vkFrame(fraMain), "fraExams");
    fraExams->setCaption(QStringLiteral("Barcode"));
    vkLabel1 = named(new widgets::vkLabel(fraExams), "vkLabel1");
    vkLabel1->setCaption(QStringLiteral("Number of Copies :"));
    vkLabel1->setAlignmentCode(widgets::vkLabel::AlignmentCode::Right);
    txtCopies = named(new widgets::vkTextBox(fraExams), "txtCopies");
    txtCopies->setText(QStringLiteral("1"));
    chkAll = named(new widgets::vkCheck(fraExams), "chkAll");
    chkAll->setCaption(QStringLiteral("Check All"));
    cmdNew = named(new widgets::vkCommand(QStringLiteral("Reset"), fraExams), "cmdNew");
    lblPatientName = named(new PatientNameLabel(fraExams), "lblPatientName");
    lblPatientName->setName(QStringLiteral("[Patient Name]"));
    lblPatientName->setAlignmentCode(widgets::vkLabel::AlignmentCode::Centre);
    cmdGenerate = named(new widgets::vkCommand(QStringLiteral("Print"), fraExams), "cmdGenerate");
    lstExams = named(new widgets::vkListBox(fraExams), "lstExams");
    lstExams->setStylecheckbox(true);
    lstExams->setSorted(false);

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
}

void frmNorvane::numberKeyFilter(int &charCode)
{
    numberKeyPress(charCode);
}

void frmNorvane::typeIntoNumber(const QString &text)
{
    txtNumber->typeText(text);
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
}

void frmNorvane::onNumberKeyDown(int keyCode, int)
{
    if (keyCode == kEnter)
        SearchPatient();
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

void frmNorvane::passHeldKeysToNumber(ExclusiveRun &run)
{
    // Everything typed until now, also what the platform still queues.
    run.holdPendingInput();
    // An Enter before anything new was typed repeats the Enter that started
    // this search (a scanner that ends with two Returns): it neither searches
    // the same number again nor presses Print.
    bool typing = false;
    run.dropHeldKeys([&typing](const QKeyEvent &key) {
        typing = typing || typesCharacter(key);
        return !typing && isEnter(key);
    });
    // A new number typed while the patient was being listed: the window goes
    // back to awaiting a number, as on Reset, so that the box takes it and its
    // Enter searches it. Nothing typed for the box ever reaches Print.
    if (typing && !txtNumber->isEnabled()) {
        cmdGenerate->setEnabled(false);
        ResetForm(true, false, true, true);
    }
    run.setKeyTarget(txtNumber);
}

void frmNorvane::SearchPatient()
{
    // Nothing else of this window runs until the search returns, its message
    // boxes included.
    ExclusiveRun run(this);
    // Keys typed during the search were typed into the number box: they go
    // there once it is over, whatever has the focus by then.
    const auto keysToNumber = qScopeGuard([this, &run] { passHeldKeysToNumber(run); });
    // A message box is modal: input still queued for this window when it opens
    // would be thrown away, so the keys typed until then are held first.
    const auto tell = [&run](const QString &text) {
        run.holdPendingInput();
        widgets::MsgBox(text);
    };
    QString failure;
    try {
        lstExams->clear();
        HospNum.clear();
        PatientName.clear();
        Transdate.clear();
        RoomID.clear();
        Age.clear();
        Sex.clear();
        qint16 row = 0;

        const QString number = txtNumber->text();
        if (number.trimmed().isEmpty()) {
            txtNumber->setFocus(Qt::OtherFocusReason);
            return;
        }
        const int mode = searchMode(number);
        db::DbResult result = [&] {
            const BusyCursor busy;
            return db::openStaticRetryingOnce(db::DbConnection(), db::searchCommand(number, mode));
        }();
        const qint64 rows = result.rowCount();
        if (rows < 1) {
            tell(QStringLiteral("Sample not found!"));
            lblPatientName->setName(QString());
            txtNumber->setText(QString());
            txtNumber->setFocus(Qt::OtherFocusReason);
            return;
        }
        // The row index could not count past this; stop before touching the
        // window rather than list 32,768 rows and fail on the next.
        if (rows > db::kMaxRows)
            throw std::overflow_error("Overflow");

        ResetForm(false, true, false, false);
        Barcodes = QStringList(rows + 1);
        Instruments = QStringList(rows + 1);
        HospNum = result.text(QStringLiteral("HospNum"));
        PatientName = result.text(QStringLiteral("PatientName"));
        Transdate = result.text(QStringLiteral("Transdate"));
        RoomID = result.text(QStringLiteral("RoomID"));
        Age = result.text(QStringLiteral("Age"));
        Sex = result.text(QStringLiteral("Sex"));
        lblPatientName->setName(PatientName);

        for (; !result.atEnd(); result.moveNext()) {
            run.yield();
            if (row >= rows) // more rows than the result announced
                throw std::out_of_range("Subscript out of range");
            Barcodes[row] = result.text(QStringLiteral("Barcode"));
            Instruments[row] = result.text(QStringLiteral("Instrument"));
            lstExams->addItem(Barcodes[row] + QStringLiteral(" [") + Instruments[row] + QStringLiteral("] "));
            ++row;
        }

        if (lstExams->listCount() >= 1) {
            lstExams->checkAll();
            chkAll->setValue(1);
            // As a keyboard move, so that the button shows that it has the focus.
            cmdGenerate->setFocus(Qt::TabFocusReason);
        } else {
            cmdNew->setFocus(Qt::TabFocusReason);
        }
        return;
    } catch (const std::exception &e) {
        failure = core::describe(e);
    }
    tell(searchFailureText(failure));
    // The number stays, selected, so that the next scan replaces it instead of
    // being glued onto it.
    txtNumber->selectAll();
}

} // namespace ui
