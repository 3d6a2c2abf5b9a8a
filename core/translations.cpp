#include "core/translations.h"

#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>

namespace core {

namespace {

// The names a translation of the locale's language may have, the nearest first:
// de_AT gives de_AT, de_Latn_AT, de_Latn, de. Every language the locale names whole
// comes before any shortened one, so that norvane_de_AT.qm wins over norvane_de.qm.
QStringList languageNames(const QLocale &locale)
{
    QStringList whole{locale.name()};
    for (const QString &language : locale.uiLanguages())
        whole << QString(language).replace(u'-', u'_');
    QStringList names;
    for (const QString &name : std::as_const(whole)) {
        if (name != u"C" && !names.contains(name))
            names << name;
    }
    for (const QString &name : std::as_const(whole)) {
        for (QString shorter = name; shorter.contains(u'_');) {
            shorter.truncate(shorter.lastIndexOf(u'_'));
            if (!names.contains(shorter))
                names << shorter;
        }
    }
    return names;
}

// Loads <name>_<language>.qm from folder, the nearest language first.
bool load(QTranslator &translator, const QStringList &languages, const QString &name, const QString &folder)
{
    for (const QString &language : languages) {
        const QString file = folder + QLatin1Char('/') + name + QLatin1Char('_') + language + QStringLiteral(".qm");
        if (QFileInfo(file).isFile() && translator.load(file))
            return true;
    }
    return false;
}

} // namespace

QStringList translationFolders(const QString &programDirectory)
{
    const QString program = QDir::cleanPath(programDirectory);
    return {program + QStringLiteral("/translations"),
            QDir::cleanPath(program + QLatin1Char('/') + QStringLiteral(NORVANE_DATA_FROM_BIN))
                + QStringLiteral("/translations")};
}

Translations::Translations(const QLocale &locale, const QStringList &folders)
    : m_locale(locale)
    , m_folders(folders)
{
    const QStringList languages = languageNames(locale);
    for (const QString &folder : folders) {
        if (load(m_program, languages, QStringLiteral("norvane"), folder)) {
            m_programFile = m_program.filePath();
            break;
        }
    }
    if (m_programFile.isEmpty())
        return;
    QCoreApplication::installTranslator(&m_program);
    if (load(m_qt, languages, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        m_qtFile = m_qt.filePath();
        QCoreApplication::installTranslator(&m_qt);
    }
}

Translations::~Translations()
{
    if (!m_qtFile.isEmpty())
        QCoreApplication::removeTranslator(&m_qt);
    if (!m_programFile.isEmpty())
        QCoreApplication::removeTranslator(&m_program);
}

QString Translations::description() const
{
    const QString language = m_locale.uiLanguages().join(QStringLiteral(", "));
    if (m_programFile.isEmpty()) {
        QStringList folders;
        for (const QString &folder : m_folders)
            folders << QDir::toNativeSeparators(folder);
        return QStringLiteral("No translation for the language %1 in %2: the texts are in English")
            .arg(language, folders.join(QStringLiteral(" or ")));
    }
    return QStringLiteral("Translation for the language %1: %2; Qt's own texts: %3")
        .arg(language, QDir::toNativeSeparators(m_programFile),
             m_qtFile.isEmpty() ? QStringLiteral("none found, in English") : QDir::toNativeSeparators(m_qtFile));
}

} // namespace core
