#pragma once

#include "counter/patientsearch.h"
#include "counter/printrun.h"

#include <QPixmap>
#include <QWidget>

#include <array>
#include <functional>

class QEvent;
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

namespace counter {
class UnrecordedLogs;
} // namespace counter

namespace ui {

class ImageBox;
class PatientNameLabel;
class ShapeBox;

class ActivationWatch;
class ExclusiveRun;
class frmKeyboard;

// The program's main window. It draws, and it shows what the counter's work decides
// (counter::PatientSearch, counter::PrintRun, which it is given): message boxes,
// focus and enabled states. How a request flows through it:
//  - keys typed into txtNumber pass numberKeyFilter (upper-cased, apostrophe
//    dropped); Enter runs SearchPatient, which has the search ask the database for
//    the requests behind the number and lists one checked item per row in lstExams,
//    then moves the focus to Print (cmdGenerate);
//  - characters typed on Print, the list, Check All or Reset are the next scan: the
//    patient gives way and they go to txtNumber; an Enter on Print right after the
//    search's own is the scanner's, never a press of Print;
//  - Print runs the print run (onGenerateClicked) on the patient the search kept;
//  - ResetForm puts the controls back for the next patient; it runs on
//    activation (first show, and whenever another window of the program that
//    was over this one closes), on Reset and at the end of the print run;
//  - with the print run's journal (frmnorvane_journal.cpp): the barcodes printed
//    and not recorded are offered once the window first shows and after the first
//    command that succeeds after a failure, F9 opens Today's stickers while the
//    window awaits a number, and a notice that the program's records cannot be
//    kept is shown once, after a command.
// The search and the print run yield to the event loop once per row or item inside
// an ExclusiveRun: no other handler of this window runs meanwhile, input is held
// back and delivered afterwards. Keys and the focus are handled in one file,
// frmnorvane_input.cpp.
class frmNorvane : public QWidget
{
    Q_OBJECT

public:
    frmNorvane(counter::PatientSearch &search, counter::PrintRun &printRun, QWidget *parent = nullptr);
    ~frmNorvane() override;

    // The number box's key-press filter, for anything that types into it on the
    // user's behalf (the on-screen keyboard): same rule as typed keys.
    static void numberKeyFilter(int &charCode);
    // Types text into the number box as if keyed in, through the key filter.
    void typeIntoNumber(const QString &text);

    // An Enter (or Space) on Print sooner than this after the Enter that started the
    // search, by the window system's time stamps, is the scanner's own second Return
    // (a CR LF suffix, a double trigger), never a press of Print: a person first has to
    // see the list. Milliseconds.
    static constexpr qint64 kEnterAfterSearchMs = 250;
    // Where the window takes a notice for the staff from, once a command is over
    // (app::StorageNotice::take: the log file cannot be written); empty: none.
    void setStorageNotice(std::function<QString()> take);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    // Characters typed where no control takes them (Print, the list, Check All,
    // Reset) start a new number (frmnorvane_input.cpp).
    void keyPressEvent(QKeyEvent *event) override;
    // The search's Enter in the number box, and Enter on Print (frmnorvane_input.cpp).
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Builds every control with its object name, container, design-time text
    // and tab order.
    void setupControls();
    void connectHandlers();
    // The window's look (frmnorvane_layout.cpp): borderless and filling the
    // screen, every control at its place, font and colours, the header, the
    // pictures (all decoded here) and the slideshow, which it then loads.
    void layoutControls();
    void placeControls();
    void buildHeader();
    void buildSlideshow();
    void applyLook();
    void applyExamsLook();
    void fitToScreen();
    // The slideshow (frmnorvane_slideshow.cpp): its timer, load, tick and button,
    // and the centring of fraMain.
    void setupTimer1();
    void onSlideshowLoad();
    void onTimer1Tick();
    void onImgButtonClick();
    // Keeps fraMain in the middle of the window, overhanging both edges alike
    // when the window is the smaller.
    void centreMain();

    void ResetForm(bool SearchEnabled, bool ExamsEnabled, bool ClearNumber, bool FocusNumber);

    // Event handlers.
    void onActivated();
    void onNumberKeyDown(int keyCode, int shift);
    void onCheckAllClicked();
    void onResetClicked();
    // Entry of the on-screen keyboard (click of cmdKeyboard), frmnorvane_keyboard.cpp.
    void onKeyboardClicked();
    // A key of the on-screen keyboard: typed into the number box through its key filter.
    void onKeypadKey(int charCode);

    // The search (frmnorvane_search.cpp): runs it and shows its outcome.
    void SearchPatient();
    // A message box during a run: the keys typed until it opens are held first (a
    // modal window would throw them away).
    static void tellDuring(ExclusiveRun &run, const QString &text);

    // The print run (frmnorvane_printrun.cpp). Entry (click of cmdGenerate): checks,
    // prints the checked exams' stickers and logs each barcode, and shows the outcome.
    void onGenerateClicked();
    counter::PrintRun::Checklist printChecklist(ExclusiveRun &run);
    // Shows why the run may not start, or asks; true when it may.
    bool mayPrint(const counter::PrintRun::Check &check);
    // Shows what became of the run; a printer that does not answer is asked about
    // (cancel or leave its stickers) and what the answer made of the run is shown.
    void showPrintRun(counter::PrintRun::Outcome &outcome, const counter::PrintRun::Checklist &checklist);
    // After a run whose log failed: tells which printed barcodes are not recorded
    // and why (and whether exams are left to print), and records them again as long
    // as the user asks; what is given up goes to the program's log file.
    void TellUnrecorded(counter::UnrecordedLogs &unrecorded, bool examsLeft,
                        const counter::PrintRun::Checklist &checklist);
    // Asks before printing again what the journal holds as printed here lately;
    // true when the run may go on. No leaves the list as it was.
    bool confirmReprint(const counter::PrintRun::Checklist &checklist);
    // A copies box that holds no whole number: told, and the box takes the focus.
    void refuseCopies(const QString &message);
    // A print run that stopped before its end (a failing sticker job, a printer
    // that does not answer, the print service gone, copies that are no number, the
    // user): Print stays enabled for the exams left, Check All
    // shows whether they are all still checked, and the focus goes to the list.
    void showStoppedRun();
    // The end of a run that printed and logged every checked exam.
    void showFinishedRun();

    // The print journal in the window (frmnorvane_journal.cpp).
    // What a command (a search, a print run) told of the database.
    enum class CommandResult { DatabaseAnswered, DatabaseFailed, NoDatabase };
    // After each command, inside its run: the storage notice, and the offer of the
    // barcodes printed and not recorded when the database answers after a failure.
    void afterCommand(ExclusiveRun &run, CommandResult result);
    static CommandResult printRunResult(const counter::PrintRun::Outcome &outcome);
    // Once the window first shows: the storage notice and the offer.
    void reviewAtStart();
    // Offers the lines in one question and records them, printing nothing, as
    // often as the user asks; No keeps them for later.
    void offerUnrecorded(ExclusiveRun &run, QList<journal::Line> lines);
    void tellStorageNotice(ExclusiveRun &run);
    // F9 while the window awaits a number: Today's stickers.
    void showTodaysStickers();

    // Keys and the focus (frmnorvane_input.cpp).
    // The end of every search: the keys held back during it go to the number
    // box they were typed into (never to Print).
    void passHeldKeysToNumber(ExclusiveRun &run);
    // A character typed while the focus was on a control that takes none: the patient
    // shown gives way, as on Reset, and the character goes to the number box, which
    // takes the rest of the scan.
    void takeAsNewNumber(const QKeyEvent &key);
    // Whether a key on Print came too soon after the search's Enter to be a person's.
    bool followsSearchEnter(const QKeyEvent &key) const;
    // Whether an input event asks the print run to stop (a click on Reset, Esc).
    bool asksToStopPrinting(QObject *watched, QEvent *event) const;
    void focusAfterSearch();
    void focusOnNumber();
    void focusOnList();
    void focusOnCopies();

    // What the window shows the outcomes of; given, not owned.
    counter::PatientSearch &m_search;
    counter::PrintRun &m_printRun;

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

    ActivationWatch *m_activation = nullptr;
    frmKeyboard *m_keyboard = nullptr; // made at the first click, kept until this window goes
    bool m_keypadOpen = false;         // the activation its closing raises keeps the number
    bool m_printRunning = false;       // a print run is under way; no second one starts inside it
    quint64 m_searchEnterStamp = 0;    // the window system's time of the last search's Enter, ms; 0: unknown
    std::function<QString()> m_storageNotice;
    bool m_reviewedAtStart = false; // the start-up offer has been scheduled
    bool m_offerPending = false;    // a command failed: the next that succeeds offers the unrecorded

    // Form-level state of the slideshow; the patient's is the search's (m_search.patient()).
    qint16 FrameIndex = 0; // slideshow picture shown, 0 to 8
    qint16 SlideStep = 0;  // the slideshow tick's loop counter
};

} // namespace ui
