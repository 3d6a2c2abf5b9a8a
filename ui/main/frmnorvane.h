#pragma once

#include <QPixmap>
#include <QStringList>
#include <QWidget>

#include <array>

class QLabel;
class QPushButton;
class QTimer;

namespace widgets {
class vkFrame;
class vkTextBox;
class vkLabel;
class vkCommand;
class vkCheck;
class vkListBox;
} // namespace widgets

namespace db {
struct LogOutcome;
} // namespace db

namespace report {
class modMain;
} // namespace report

namespace ui {

class ImageBox;
class UnrecordedLogs;
class PatientNameLabel;
class ShapeBox;

class ActivationWatch;
class ExclusiveRun;
class frmKeyboard;

// The program's main window. How a request flows through it:
//  - keys typed into txtNumber pass numberKeyPress (upper-cased, apostrophe
//    dropped); Enter runs SearchPatient, which asks the database for the
//    requests behind the number, keeps the patient's values and every row's
//    barcode and instrument in the form-level state below, lists one checked
//    item per row in lstExams and moves the focus to Print (cmdGenerate);
//  - Print runs the print run (onGenerateClicked), which walks the checklist;
//  - ResetForm puts the controls back for the next patient; it runs on
//    activation (first show, and whenever another window of the program that
//    was over this one closes), on Reset and at the end of the print run.
// The search (and the print run) yield to the event loop once per row inside an
// ExclusiveRun: no other handler of this window runs meanwhile, input is held
// back and delivered afterwards.
class frmNorvane : public QWidget
{
    Q_OBJECT

public:
    explicit frmNorvane(report::modMain &labels, QWidget *parent = nullptr);
    ~frmNorvane() override;

    // The number box's key-press filter, for anything that types into it on the
    // user's behalf (the on-screen keyboard): same rule as typed keys.
    static void numberKeyFilter(int &charCode);
    // Types text into the number box as if keyed in, through the key filter.
    void typeIntoNumber(const QString &text);

    // Read-only view of the form-level state, for the print run's tests.
    const QString &hospNum() const { return HospNum; }
    const QStringList &barcodes() const { return Barcodes; }
    const QStringList &instruments() const { return Instruments; }
    const QString &patientName() const { return PatientName; }
    const QString &transdate() const { return Transdate; }
    const QString &roomId() const { return RoomID; }
    const QString &age() const { return Age; }
    const QString &sex() const { return Sex; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Builds every control with its object name, container, design-time text
    // and tab order.
    void setupControls();
    // The window's look (frmnorvanelayout.cpp): borderless and filling the
    // screen, every control at its place, font and colours, the header, the
    // pictures (all decoded here) and the slideshow, which it then loads.
    void layoutControls();
    void placeControls();
    void buildHeader();
    void buildSlideshow();
    void applyLook();
    void fitToScreen();
    // Slideshow handlers and centring (frmnorvane_slideshow.cpp).
    void onSlideshowLoad();
    void onTimer1Tick();
    void onImgButtonClick();
    // Keeps fraMain in the middle of the window, overhanging both edges alike
    // when the window is the smaller.
    void centreMain();
    void connectHandlers();

    void ResetForm(bool SearchEnabled, bool ExamsEnabled, bool ClearNumber, bool FocusNumber);
    void SearchPatient();
    // Logs one printed barcode (db::SaveBarcodeLog on DbConnection), yielding like
    // the run it belongs to; empties Barcode once logged (frmnorvane_printrun.cpp).
    db::LogOutcome SaveBarcodeLog(QString &Barcode);
    // After a run whose log failed: tells which printed barcodes are not recorded
    // and why (and whether exams are left to print), and records them again as long
    // as the user asks; what is given up goes to the program's log file.
    void TellUnrecorded(UnrecordedLogs &unrecorded, bool examsLeft);

    // Event handlers.
    void onActivated();
    void onNumberKeyDown(int keyCode, int shift);
    void onCheckAllClicked();
    void onResetClicked();
    // Entry of the print run (click of cmdGenerate): prints the checked exams'
    // stickers, logs each barcode, disables Print and resets the window.
    void onGenerateClicked();
    // A print run that stopped before its end (a failing sticker job, copies
    // that are no number): Print stays enabled for the exams left, Check All
    // shows whether they are all still checked, and the focus goes to the
    // list, off Print.
    void showStoppedRun();
    // The print run's questions and its stop request (frmnorvane_printrun.cpp):
    // whether the user confirms a copies count (asked only above 10 or below 1),
    // whether an input event asks to stop (a click on Reset, Esc), whether an
    // exam from item i on is still checked, and whether the user confirms stopping.
    bool confirmCopies(int copies, int checkedExams);
    bool asksToStopPrinting(QObject *watched, QEvent *event) const;
    bool anyCheckedFrom(int i) const;
    bool confirmStopPrinting();
    // Entry of the on-screen keyboard (click of cmdKeyboard), frmnorvanekeyboard.cpp.
    void onKeyboardClicked();
    // A key of the on-screen keyboard: typed into the number box through its key filter.
    void onKeypadKey(int charCode);
    // The end of every search: the keys held back during it go to the number
    // box they were typed into (never to Print).
    void passHeldKeysToNumber(ExclusiveRun &run);

    // Controls by role; object names are these names.
    widgets::vkFrame *fraMain = nullptr;
    widgets::vkFrame *fraSearch = nullptr;
    widgets::vkTextBox *txtNumber = nullptr;
    QPushButton *cmdKeyboard = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Image1 = nullptr;
    widgets::vkFrame *fraExams = nullptr;
    PatientNameLabel *lblPatientName = nullptr;
    widgets::vkListBox *lstExams = nullptr;
    widgets::vkCheck *chkAll = nullptr;
    widgets::vkLabel *vkLabel1 = nullptr;
    widgets::vkTextBox *txtCopies = nullptr;
    widgets::vkCommand *cmdGenerate = nullptr;
    widgets::vkCommand *cmdNew = nullptr;
    widgets::vkFrame *vkFrame1 = nullptr;
    std::array<ImageBox *, 9> imgPics{};
    ImageBox *imgPause = nullptr;
    ImageBox *imgPlay = nullptr;
    ImageBox *imgButton = nullptr;
    ShapeBox *Shape1 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *Label3 = nullptr;
    ImageBox *Image2 = nullptr;
    QTimer *Timer1 = nullptr;
    QPixmap m_background;      // as stored: 1600 x 1000 pixels
    QPixmap m_backgroundShown; // as drawn at the window's size (see paintEvent)

    report::modMain &m_labels; // the label job and the printer check
    ActivationWatch *m_activation = nullptr;
    frmKeyboard *m_keyboard = nullptr; // made at the first click, kept until this window goes
    bool m_keypadOpen = false;         // the activation its closing raises keeps the number
    bool m_printRunning = false;       // a print run is under way; no second one starts inside it

    // Form-level state, in its declared order; kept while the window lives.
    qint16 FrameIndex = 0;   // slideshow picture shown, 0 to 8
    qint16 SlideStep = 0;    // the slideshow tick's loop counter
    QString HospNum;         // hospital number of the patient found
    QStringList Barcodes;    // column Barcode of each result row, one spare empty element at the end
    QStringList Instruments; // column Instrument of each result row, likewise
    QString PatientName;
    QString Transdate; // as the database gives it
    QString RoomID;
    QString Age;
    QString Sex;
};

} // namespace ui
