// The translations: which file the workstation's language loads and from where, the
// real main window speaking it (and exactly today's English without one), and the
// committed catalogue holding every text of the code.

#include "common/mainwindow.h"
#include "common/windowcontrols.h"
#include "core/translations.h"
#include "counter/printquestions.h"
#include "db/embeddedclient.h"
#include "labdb/labdatabase.h"
#include "widgets/messagebox.h"
#include "widgets/vkcommand.h"
#include "widgets/vktextbox.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLibraryInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <memory>

namespace {

// A file lupdate writes: every message as its context, source text and disambiguation.
QSet<QString> messagesOf(const QString &tsFile, QString *error)
{
    QFile file(tsFile);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return {};
    }
    QSet<QString> messages;
    QXmlStreamReader xml(&file);
    QString context, source, comment;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"name")
            context = xml.readElementText();
        else if (xml.isStartElement() && xml.name() == u"message")
            source.clear(), comment.clear();
        else if (xml.isStartElement() && xml.name() == u"source")
            source = xml.readElementText();
        else if (xml.isStartElement() && xml.name() == u"comment")
            comment = xml.readElementText();
        else if (xml.isEndElement() && xml.name() == u"message")
            messages.insert(context + u" | "_qs + source + (comment.isEmpty() ? QString() : u" ("_qs + comment + u')'));
    }
    if (xml.hasError())
        *error = xml.errorString();
    return messages;
}

QString listed(QStringList messages)
{
    messages.sort();
    return u"\n  "_qs + messages.join(u"\n  "_qs);
}

const QString kEnglishInstruction = u"Scan the barcode of patient or type in the chargeslip no. of the patient."_qs;

} // namespace

class tst_Translations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void loadsTheWorkstationsLanguage_data();
    void loadsTheWorkstationsLanguage();
    void mainWindowSpeaksIt_data();
    void mainWindowSpeaksIt();
    void catalogueHoldsEveryText();

private:
    QTemporaryDir m_dir;
    QString m_database;
};

void tst_Translations::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(QFile::exists(QStringLiteral(NORVANE_TEST_QM)), NORVANE_TEST_QM);
    m_database = m_dir.filePath(QStringLiteral("lab.sqlite"));
    labdb::createDatabase(m_database);
}

void tst_Translations::loadsTheWorkstationsLanguage_data()
{
    // Files norvane_<name>.qm (all the Esperanto test translation) beside the program
    // (<prefix>/bin/translations) and in the shipped folder (<prefix>/share/norvane/
    // translations); "norvane" alone is a norvane.qm without a language.
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("beside");
    QTest::addColumn<QStringList>("shipped");
    QTest::addColumn<QString>("loaded");     // "beside/<file>", "shipped/<file>" or empty for none
    QTest::addColumn<QString>("qtLanguage"); // the qtbase_<language>.qm expected with it

    const QStringList none;
    QTest::newRow("English workstation") << u"en_US"_qs << QStringList{u"de"_qs, u"eo"_qs} << none << QString()
                                         << QString();
    QTest::newRow("C locale") << u"C"_qs << QStringList{u"de"_qs} << none << QString() << QString();
    QTest::newRow("no translation of that language")
        << u"fr_FR"_qs << QStringList{u"de"_qs, u"eo"_qs} << QStringList{u"de_AT"_qs} << QString() << QString();
    QTest::newRow("a norvane.qm without a language is none")
        << u"fr_FR"_qs << QStringList{u"norvane"_qs} << none << QString() << QString();
    QTest::newRow("the language") << u"eo"_qs << QStringList{u"eo"_qs} << none << u"beside/norvane_eo.qm"_qs
                                  << u"eo"_qs;
    QTest::newRow("de_AT falls back to de")
        << u"de_AT"_qs << QStringList{u"de"_qs} << none << u"beside/norvane_de.qm"_qs << u"de"_qs;
    QTest::newRow("de_AT takes its own first")
        << u"de_AT"_qs << QStringList{u"de"_qs, u"de_AT"_qs} << none << u"beside/norvane_de_AT.qm"_qs << u"de"_qs;
    QTest::newRow("the shipped folder") << u"de_AT"_qs << none << QStringList{u"de"_qs} << u"shipped/norvane_de.qm"_qs
                                        << u"de"_qs;
    QTest::newRow("beside the program first")
        << u"de"_qs << QStringList{u"de"_qs} << QStringList{u"de"_qs} << u"beside/norvane_de.qm"_qs << u"de"_qs;
    QTest::newRow("beside the program first, the shipped one nearer")
        << u"de_AT"_qs << QStringList{u"de"_qs} << QStringList{u"de_AT"_qs} << u"beside/norvane_de.qm"_qs << u"de"_qs;
    QTest::newRow("beside the program, another language")
        << u"de_AT"_qs << QStringList{u"eo"_qs} << QStringList{u"de"_qs} << u"shipped/norvane_de.qm"_qs << u"de"_qs;
}

void tst_Translations::loadsTheWorkstationsLanguage()
{
    QFETCH(QString, locale);
    QFETCH(QStringList, beside);
    QFETCH(QStringList, shipped);
    QFETCH(QString, loaded);
    QFETCH(QString, qtLanguage);

    QTemporaryDir prefix;
    QVERIFY(prefix.isValid());
    const QString program = prefix.filePath(u"bin"_qs);
    const QStringList folders = core::translationFolders(program);
    // The shipped folder lies where the installation puts it.
    QCOMPARE(folders, (QStringList{program + u"/translations"_qs, prefix.filePath(u"share/norvane/translations"_qs)}));
    const QString besideFolder = folders.at(0), shippedFolder = folders.at(1);
    for (const auto &[folder, names] : {std::pair{besideFolder, beside}, std::pair{shippedFolder, shipped}}) {
        QVERIFY(QDir().mkpath(folder));
        for (const QString &name : names) {
            const QString file = name == u"norvane" ? u"norvane.qm"_qs : u"norvane_"_qs + name + u".qm"_qs;
            QVERIFY(QFile::copy(QStringLiteral(NORVANE_TEST_QM), folder + u'/' + file));
        }
    }

    {
        const core::Translations translations{QLocale(locale), folders};
        const QString expected = loaded.isEmpty()
            ? QString()
            : (loaded.startsWith(u"beside/") ? besideFolder : shippedFolder) + loaded.mid(loaded.indexOf(u'/'));
        QCOMPARE(translations.programFile(), expected);
        // Qt's own texts with it, where Qt has that language (qt6-translations-l10n).
        const QString qtFile = QLibraryInfo::path(QLibraryInfo::TranslationsPath) + u"/qtbase_"_qs + qtLanguage
            + u".qm"_qs;
        QCOMPARE(translations.qtFile(), !qtLanguage.isEmpty() && QFile::exists(qtFile) ? qtFile : QString());
        QCOMPARE(QCoreApplication::translate("counter::PatientSearch", "Sample not found!"),
                 loaded.isEmpty() ? u"Sample not found!"_qs : u"Specimeno ne trovita!"_qs);
        QVERIFY2(translations.description().contains(loaded.isEmpty() ? u"No translation"_qs
                                                                      : QDir::toNativeSeparators(expected)),
                 qPrintable(translations.description()));
    }
    // Gone with the object.
    QCOMPARE(QCoreApplication::translate("counter::PatientSearch", "Sample not found!"), u"Sample not found!"_qs);
}

void tst_Translations::mainWindowSpeaksIt_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("instruction");
    QTest::addColumn<QString>("print");
    QTest::addColumn<QString>("notFound");
    QTest::addColumn<QString>("noCopies");

    QTest::newRow("Esperanto") << u"eo"_qs
                               << u"Skanu la strikodon de la paciento aŭ tajpu la numeron de ĝia pagfolio."_qs
                               << u"Presi"_qs << u"Specimeno ne trovita!"_qs
                               << u"Ĉu registri la 3 markitajn ekzamenojn kiel kolektitajn sen presi glumarkojn?"_qs;
    // Today's English, to the letter.
    const QString english[] = {kEnglishInstruction, u"Print"_qs, u"Sample not found!"_qs,
                               u"Record the 3 checked exams as collected without printing stickers?"_qs};
    QTest::newRow("US English") << u"en_US"_qs << english[0] << english[1] << english[2] << english[3];
    QTest::newRow("French, not translated") << u"fr_FR"_qs << english[0] << english[1] << english[2] << english[3];
}

void tst_Translations::mainWindowSpeaksIt()
{
    QFETCH(QString, locale);
    QFETCH(QString, instruction);
    QFETCH(QString, print);
    QFETCH(QString, notFound);
    QFETCH(QString, noCopies);

    // The translation beside the program, loaded before the window is made.
    QTemporaryDir prefix;
    QVERIFY(prefix.isValid());
    const QStringList folders = core::translationFolders(prefix.filePath(u"bin"_qs));
    QVERIFY(QDir().mkpath(folders.at(0)));
    QVERIFY(QFile::copy(QStringLiteral(NORVANE_TEST_QM), folders.at(0) + u"/norvane_eo.qm"_qs));
    const core::Translations translations{QLocale(locale), folders};

    db::EmbeddedClient client(m_database);
    client.open(QString());
    testsupport::MainWindow main(client, m_dir.filePath(u"stickers"_qs));
    QStringList messages;
    widgets::setMessageBoxHandler([&messages](const QString &text, const QString &) { messages << text; });
    const auto seam = qScopeGuard([] { widgets::setMessageBoxHandler(nullptr); });
    main.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&main.window));

    QCOMPARE(testsupport::control<QLabel>(&main.window, "Label2")->text(), instruction);
    QCOMPARE(testsupport::control<widgets::vkCommand>(&main.window, "cmdGenerate")->text(), print);
    // A number the laboratory database does not hold, searched as the staff do.
    auto *number = testsupport::control<widgets::vkTextBox>(&main.window, "txtNumber");
    number->setText(u"T9999999C"_qs);
    QTest::keyClick(number, Qt::Key_Return);
    QTRY_COMPARE(messages, QStringList{notFound});
    // A plural form: three exams to record without stickers.
    QCOMPARE(counter::copiesQuestion(0, 3), noCopies);
}

void tst_Translations::catalogueHoldsEveryText()
{
    // lupdate over the programs' sources, as the target norvane_lupdate runs it, into a
    // file of its own: its texts must be the committed catalogue's.
    QTemporaryDir out;
    QVERIFY(out.isValid());
    const QString fresh = out.filePath(u"norvane.ts"_qs);
    QProcess lupdate;
    QStringList arguments{u"@"_qs + QStringLiteral(NORVANE_TEXT_SOURCES), u"-I"_qs, QStringLiteral(NORVANE_SOURCE_DIR)};
    arguments << QStringLiteral(NORVANE_LUPDATE_OPTIONS).split(u' ', Qt::SkipEmptyParts) << u"-ts"_qs << fresh;
    lupdate.setProcessChannelMode(QProcess::MergedChannels);
    lupdate.start(QStringLiteral(NORVANE_LUPDATE), arguments);
    QVERIFY2(lupdate.waitForFinished(120000), qPrintable(lupdate.errorString()));
    const QString said = QString::fromLocal8Bit(lupdate.readAll());
    QVERIFY2(lupdate.exitStatus() == QProcess::NormalExit && lupdate.exitCode() == 0, qPrintable(said));
    // lupdate's own warnings (a tr() it cannot place, say) are faults of the code.
    QVERIFY2(!said.contains(u"warning"_qs, Qt::CaseInsensitive), qPrintable(said));

    QString error;
    const QSet<QString> code = messagesOf(fresh, &error);
    QVERIFY2(error.isEmpty() && !code.isEmpty(), qPrintable(error));
    const QSet<QString> committed = messagesOf(QStringLiteral(NORVANE_CATALOGUE), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const QStringList added = QSet<QString>(code).subtract(committed).values();
    const QStringList gone = QSet<QString>(committed).subtract(code).values();
    QVERIFY2(added.isEmpty() && gone.isEmpty(),
             qPrintable(u"translations/norvane.ts is not up to date with the code: run "
                        "cmake --build build --target norvane_lupdate and commit it."_qs
                        + (added.isEmpty() ? QString() : u"\nTexts missing from it:"_qs + listed(added))
                        + (gone.isEmpty() ? QString() : u"\nTexts no longer in the code:"_qs + listed(gone))));

    // This test's own translation names texts the code still has.
    const QStringList stale = messagesOf(QStringLiteral(NORVANE_TEST_TS), &error).subtract(code).values();
    QVERIFY2(error.isEmpty() && stale.isEmpty(),
             qPrintable(error + u"\ntests/translations/norvane_eo.ts names texts the code no longer has:"_qs
                        + listed(stale)));
}

QTEST_MAIN(tst_Translations)
#include "tst_translations.moc"
