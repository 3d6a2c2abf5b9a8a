#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>

// Where the label template LabBarcodeLabel.rpt is looked for, in this order:
//  1. the laboratory's own copy, <sysconfdir>/norvane/ (/etc/norvane/ for the program
//     in /usr/bin): a configuration file of the site's, which upgrades leave alone;
//  2. beside the program, the program's directory;
//  3. the installation's data folder, <datadir>/norvane/ (/usr/share/norvane/), where
//     the shipped template lies.
// The folders are found from the program's directory, so that an installation under
// any prefix finds its own (<prefix>/etc/norvane, <prefix>/share/norvane). On Windows
// the program's folder is the laboratory's own, and the first place is not looked at.
namespace report {

enum class TemplatePlace { Laboratory, BesideProgram, Shipped };

struct TemplateCandidate
{
    TemplatePlace place;
    QString path;
};

struct LabelTemplateLookup
{
    QString path; // the template to use; beside the program when none is found
    bool found = false;
    TemplatePlace place = TemplatePlace::BesideProgram; // where path lies
    QList<TemplateCandidate> candidates;                // every place looked at, in order
};

// The places, in the order they are looked at, for a program in programDirectory.
QList<TemplateCandidate> labelTemplateCandidates(const QString &programDirectory);

// The first place that holds the template.
LabelTemplateLookup findLabelTemplate(const QString &programDirectory = QCoreApplication::applicationDirPath());

// The label template's path: findLabelTemplate().path. When no place holds it, the
// path beside the program, so that the failure to open it names the program's own place.
QString labelTemplatePath();

// The configuration folder of an installation under prefix, as GNUInstallDirs makes
// it of the configured sysconfdir ("etc" unless set): an absolute one as it is;
// /etc for the prefixes / and /usr; /etc/opt/<name> for /opt/<name>; else <prefix>/etc.
QString systemConfigDirectory(const QString &prefix, const QString &sysconfdir);

// "the laboratory's own", "beside the program", "shipped with Norvane".
QString describeTemplatePlace(TemplatePlace place);

// One line for IT: "/etc/norvane/LabBarcodeLabel.rpt (the laboratory's own)", or, when
// no place holds it, "none found (looked for A, B and C)".
QString describeLabelTemplate(const LabelTemplateLookup &lookup);

} // namespace report
