#pragma once

#include <QList>
#include <QString>

namespace settings {

class SettingsStore;

// What the site's IT is told about the settings files themselves, each with what to
// do about it. --check-connection prints them; the program logs them once at start.
struct SettingsWarning
{
    enum class Level { Note, Warning };
    Level level = Level::Warning;
    QString text; // what is wrong, in plain words, never a password
    QString fix;  // what to do, e.g. chmod 600 '/home/lab/.config/ZEMRIX Current User.conf'
};

// Everything worth a word in the files the store reads (Linux; none on Windows):
// - a value with a ";" outside double quotes, which the INI reader takes as the start
//   of a comment, so that only what stands before it is read (Password=s3cret;pw
//   reads as "s3cret" and the login fails with no hint);
// - the file whose value of [secretSection] secretKey is read, when not empty (the
//   password): the user's own file readable or writable by anyone else; the
//   workstation's file, which every user who runs the program reads, and which may
//   even be readable or writable by every user of the machine.
// The secret's value is never part of a text.
QList<SettingsWarning> settingsWarnings(const SettingsStore &store, const QString &secretSection,
                                        const QString &secretKey);

// The ";" check alone, on one file's text: every key whose value holds a ";" outside
// double quotes, with its section ("General" before the first one) as the file
// writes them. Lines that begin with ";" are comments and are skipped.
struct CutValue
{
    QString section;
    QString key;
    QString written; // the value as it stands in the file, after "="
};
QList<CutValue> valuesCutAtSemicolon(const QString &fileText);

// A path as one word of a POSIX shell command: in single quotes, a quote in it as '\''.
QString shellQuoted(const QString &path);

} // namespace settings
