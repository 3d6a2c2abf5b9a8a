#include "core/translations.h"

#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>

namespace core {

namespace {

// A file of the language asked for: the loader falls back to the bare name
// ("norvane.qm") when no language matches, and that is no translation of ours.
bool ofALanguage(const QTranslator &translator, const QString &name)
{
    return QFileInfo(translator.filePath()).completeBaseName().startsWith(name + QLatin1Char('_'));
}

bool load(QTranslator &translator, const QLocale &locale, const QString &name, const QString &folder)
{
    if (!translator.load(locale, name, QStringLiteral("_"), folder) || !ofALanguage(translator, name)) {
        // An unrelated file loaded is dropped again: load() of an empty name clears it.
        (void)translator.load(QString());
        return false;
    }
    return true;
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
    for (const QString &folder : folders) {
        if (load(m_program, locale, QStringLiteral("norvane"), folder)) {
            m_programFile = m_program.filePath();
            break;
        }
    }
    if (m_programFile.isEmpty())
        return;
    QCoreApplication::installTranslator(&m_program);
    if (load(m_qt, locale, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
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
