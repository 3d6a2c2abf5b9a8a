#pragma once

#include <QCoreApplication>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTranslator>

// The program's texts in the workstation's language. A translation is a file
// norvane_<language>.qm, looked for in these folders, in this order:
//  1. translations/ beside the program (the build tree's bin/translations/, or a
//     laboratory's own beside a program it runs from its own folder);
//  2. the installation's shipped folder, <datadir>/norvane/translations/
//     (/usr/share/norvane/translations/ for the program in /usr/bin), found from the
//     program's directory as the shipped label template is.
// The workstation's language picks the file: de_AT takes norvane_de_AT.qm, else
// norvane_de.qm. Qt's own texts (the buttons Yes, No, OK) follow from Qt's
// qtbase_<language>.qm, loaded only with the program's own translation, so that a
// window never mixes two languages. An English workstation, or one whose language has
// no translation, loads nothing: the texts are the English they are written in.
namespace core {

// The folders looked in, in order, for a program in programDirectory.
QStringList translationFolders(const QString &programDirectory = QCoreApplication::applicationDirPath());

// Loads the translations for locale from folders and installs them into the running
// application, for as long as this object lives. Needs the application object.
class Translations
{
public:
    explicit Translations(const QLocale &locale = QLocale::system(), const QStringList &folders = translationFolders());
    ~Translations();
    Translations(const Translations &) = delete;
    Translations &operator=(const Translations &) = delete;

    QString programFile() const { return m_programFile; } // the norvane_*.qm loaded; empty when none
    QString qtFile() const { return m_qtFile; }           // Qt's qtbase_*.qm loaded; empty when none

    // One line for the log file: which translation was loaded, or that none was
    // found and where it was looked for.
    QString description() const;

private:
    QLocale m_locale;
    QStringList m_folders;
    QTranslator m_program;
    QTranslator m_qt;
    QString m_programFile;
    QString m_qtFile;
};

} // namespace core
