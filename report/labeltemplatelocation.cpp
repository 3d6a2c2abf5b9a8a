#include "report/labeltemplatelocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace report {

namespace {

const QString &fileName()
{
    static const QString name = QStringLiteral("LabBarcodeLabel.rpt");
    return name;
}

QString under(const QString &folder, const QString &relative)
{
    return QDir::cleanPath(folder + QLatin1Char('/') + relative);
}

} // namespace

QString systemConfigDirectory(const QString &prefix, const QString &sysconfdir)
{
    if (QDir::isAbsolutePath(sysconfdir))
        return QDir::cleanPath(sysconfdir);
    const QString cleanPrefix = QDir::cleanPath(prefix);
    if (cleanPrefix == QLatin1String("/") || cleanPrefix == QLatin1String("/usr"))
        return QDir::cleanPath(QLatin1Char('/') + sysconfdir);
    if (cleanPrefix.startsWith(QLatin1String("/opt/")))
        return QDir::cleanPath(QLatin1Char('/') + sysconfdir + cleanPrefix);
    return under(cleanPrefix, sysconfdir);
}

QList<TemplateCandidate> labelTemplateCandidates(const QString &programDirectory)
{
    QList<TemplateCandidate> candidates;
#ifndef Q_OS_WIN
    // On Windows the program's folder is the laboratory's own: there is no /etc.
    const QString prefix = under(programDirectory, QStringLiteral(NORVANE_PREFIX_FROM_BIN));
    const QString laboratory = under(systemConfigDirectory(prefix, QStringLiteral(NORVANE_SYSCONFDIR)),
                                     QStringLiteral("norvane"));
    candidates.append({TemplatePlace::Laboratory, laboratory + QLatin1Char('/') + fileName()});
#endif
    candidates.append(
        {TemplatePlace::BesideProgram, QDir::cleanPath(programDirectory) + QLatin1Char('/') + fileName()});
    candidates.append({TemplatePlace::Shipped,
                       under(programDirectory, QStringLiteral(NORVANE_DATA_FROM_BIN)) + QLatin1Char('/') + fileName()});
    return candidates;
}

LabelTemplateLookup findLabelTemplate(const QString &programDirectory)
{
    LabelTemplateLookup lookup;
    lookup.candidates = labelTemplateCandidates(programDirectory);
    for (const TemplateCandidate &candidate : std::as_const(lookup.candidates)) {
        if (QFileInfo::exists(candidate.path)) {
            lookup.path = candidate.path;
            lookup.place = candidate.place;
            lookup.found = true;
            return lookup;
        }
    }
    // None: the program's own place, which the failure then names.
    for (const TemplateCandidate &candidate : std::as_const(lookup.candidates)) {
        if (candidate.place == TemplatePlace::BesideProgram)
            lookup.path = candidate.path;
    }
    return lookup;
}

QString labelTemplatePath()
{
    return findLabelTemplate().path;
}

QString describeTemplatePlace(TemplatePlace place)
{
    switch (place) {
    case TemplatePlace::Laboratory: return QCoreApplication::translate("report::LabelTemplate", "the laboratory's own");
    case TemplatePlace::BesideProgram:
        return QCoreApplication::translate("report::LabelTemplate", "beside the program");
    case TemplatePlace::Shipped: return QCoreApplication::translate("report::LabelTemplate", "shipped with Norvane");
    }
    return QString();
}

QString describeLabelTemplate(const LabelTemplateLookup &lookup)
{
    if (lookup.found)
        return QDir::toNativeSeparators(lookup.path) + QStringLiteral(" (") + describeTemplatePlace(lookup.place)
            + QLatin1Char(')');
    QStringList places;
    for (const TemplateCandidate &candidate : lookup.candidates)
        places.append(QDir::toNativeSeparators(candidate.path));
    const QString last = places.takeLast();
    return QCoreApplication::translate("report::LabelTemplate", "none found (looked for %1 and %2)")
        .arg(places.join(QStringLiteral(", ")), last);
}

} // namespace report
