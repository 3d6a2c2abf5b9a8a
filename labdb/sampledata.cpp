#include "labdb/sampledata.h"

#include "labdb/samplewriter.h"

#include <QDateTime>
#include <QRandomGenerator>

#include <algorithm>
#include <array>

namespace labdb {

namespace {

struct CatalogueExam
{
    const char *name;
    int section;
    int specimen;
    const char *instrument; // nullptr: done by hand
    int profile;
};

// The exams a blood-extraction section sees most, by section.
const std::array<CatalogueExam, 23> catalogue = {{
    {"CBC", 1, 1, "HEMA-1", 0},
    {"Platelet count", 1, 1, "HEMA-1", 0},
    {"ESR", 1, 1, nullptr, 0},
    {"Blood typing", 1, 1, nullptr, 0},
    {"Prothrombin time", 1, 2, "COAG-1", 0},
    {"aPTT", 1, 2, "COAG-1", 0},
    {"FBS", 2, 3, "CHEM-1", 0},
    {"Creatinine", 2, 3, "CHEM-1", 0},
    {"BUN", 2, 3, "CHEM-1", 0},
    {"Total cholesterol", 2, 3, "CHEM-1", 1},
    {"Triglycerides", 2, 3, "CHEM-1", 1},
    {"HDL cholesterol", 2, 3, "CHEM-1", 1},
    {"ALT (SGPT)", 2, 3, "CHEM-1", 0},
    {"Sodium", 2, 3, "CHEM-ISE", 2},
    {"Potassium", 2, 3, "CHEM-ISE", 2},
    {"HbA1c", 2, 1, "GLYCO-1", 0},
    {"Urinalysis", 3, 4, "URINE-1", 0},
    {"Fecalysis", 3, 5, nullptr, 0},
    {"Blood culture", 4, 6, "MICRO-1", 0},
    {"Urine culture", 4, 4, nullptr, 0},
    {"HBsAg", 5, 3, "IMMUNO-1", 0},
    {"TSH", 5, 3, "IMMUNO-1", 0},
    {"Free T4", 5, 3, "IMMUNO-1", 0},
}};

struct SamplePatient
{
    const char *name;
    char sex;
};

const std::array<SamplePatient, sample::patientCount> patients = {{
    {"O'BRIEN, MARGARET", 'F'},    {"PEÑA, JOSÉ LUIS", 'M'},    {"SANTOS, ROSARIO", 'F'},  {"D'ANGELO, MARCO", 'M'},
    {"MÜLLER, JÜRGEN", 'M'},       {"NÚÑEZ, MARÍA CLARA", 'F'}, {"DELA CRUZ, JUAN", 'M'},  {"REYES, ANA", 'F'},
    {"ØSTERGAARD, INGRID", 'F'},   {"GARCÍA, LUIS", 'M'},       {"BAUTISTA, CARMEN", 'F'}, {"O'CONNOR, SEAN", 'M'},
    {"VILLANUEVA, PATRICIA", 'F'}, {"TAN, WEI MING", 'M'},      {"LÓPEZ, ROSA", 'F'},      {"MENDOZA, RAMON", 'M'},
    {"SCHRÖDER, ANNA", 'F'},       {"AQUINO, BENIGNO", 'M'},    {"FRANÇOIS, CÉLINE", 'F'}, {"CASTILLO, EDUARDO", 'M'},
    {"NAKAMURA, YUKI", 'F'},       {"RAMOS, FIDEL", 'M'},       {"DUBOIS, ÉLODIE", 'F'},   {"FERNÁNDEZ, ANTONIO", 'M'},
    {"KOWALSKI, AGNIESZKA", 'F'},  {"SANTIAGO, MIGUEL", 'M'},   {"DE LEÓN, TERESA", 'F'},  {"LIM, HOWARD", 'M'},
    {"CRUZ, JOSEFINA", 'F'},       {"O'NEILL, PATRICK", 'M'},   {"GONZAGA, LOURDES", 'F'}, {"PASCUAL, ANDRÉS", 'M'},
    {"ŠIMIĆ, IVANA", 'F'},         {"NAVARRO, DIEGO", 'M'},     {"MAGSAYSAY, ELENA", 'F'}, {"ABELLA, RICARDO", 'M'},
    {"IBÁÑEZ, SOFÍA", 'F'},        {"ROXAS, MANUEL", 'M'},      {"ZAMORA, LUCÍA", 'F'},    {"VALDEZ, ERNESTO", 'M'},
}};

// The barcode series: hematology "T1000001C", numeric for chemistry and
// immunology ("200000001"), "3000001B" for clinical microscopy and microbiology.
class BarcodeSeries
{
public:
    QString next(int section)
    {
        switch (section) {
        case 1: return QStringLiteral("T%1C").arg(1000000 + ++m_t);
        case 3:
        case 4: return QStringLiteral("%1B").arg(3000000 + ++m_b);
        default: return QString::number(200000000 + ++m_numeric);
        }
    }

private:
    int m_t = 0;
    int m_numeric = 0;
    int m_b = 0;
};

QVariant textOrNull(const char *text)
{
    return text ? QVariant(QString::fromUtf8(text)) : QVariant(QMetaType(QMetaType::QString));
}

// Which catalogue exams each patient has: the first three are fixed (the numbers
// that the README and the tests name), the rest drawn from the seed.
QList<int> examsOf(int patient, QRandomGenerator &random)
{
    switch (patient) {
    case 0: return {0, 1, 6, 7, 16};
    case 1: return {0, 2, 15, 19};
    case 2: {
        QList<int> exams;
        for (int i = 0; i < sample::bigChargeslipExams; ++i)
            exams.append(i % int(catalogue.size()));
        return exams;
    }
    default: {
        QList<int> all;
        for (int i = 0; i < int(catalogue.size()); ++i)
            all.append(i);
        for (int i = int(all.size()) - 1; i > 0; --i)
            std::swap(all[i], all[int(random.bounded(i + 1))]);
        QList<int> exams = all.mid(0, 1 + int(random.bounded(12)));
        std::sort(exams.begin(), exams.end());
        return exams;
    }
    }
}

} // namespace

void seedSampleData(const QString &databasePath, const QDate &day)
{
    SampleWriter::inTransaction(databasePath, [&day](SampleWriter &writer) {
        QRandomGenerator random(20241209);
        BarcodeSeries barcodes;
        int requestNum = SampleWriter::firstRequestNum;
        int itemId = SampleWriter::firstItemId;
        QDateTime transdate(day, QTime(6, 0));
        for (int p = 0; p < int(patients.size()); ++p) {
            const QString hospNum = QStringLiteral("%1").arg(120000 + p * 173, 8, 10, QLatin1Char('0'));
            const int age = 1 + int(random.bounded(89));
            writer.insert(SampleWriter::insertPatient,
                          {hospNum, QString::fromUtf8(patients[p].name), QString::number(age),
                           QString(QLatin1Char(patients[p].sex))});

            // About two in three are inpatients; the second patient is an outpatient.
            const bool inpatient = p == 0 || (p != 1 && random.bounded(3) != 0);
            const QString room = p == 0
                ? QStringLiteral("W3-112")
                : QStringLiteral("W%1-%2").arg(1 + random.bounded(5)).arg(101 + random.bounded(20));
            const QString refNum = QStringLiteral("CS2024%1").arg(p + 1, 5, 10, QLatin1Char('0'));
            const QString idNum = QStringLiteral("%1-%2")
                                      .arg(inpatient ? QLatin1String("IP") : QLatin1String("OP"))
                                      .arg(240000 + p * 31, 6, 10, QLatin1Char('0'));
            transdate = transdate.addSecs(60 * (4 + int(random.bounded(10))));
            writer.insert(SampleWriter::insertChargeslip,
                          {refNum, hospNum, idNum, transdate.toString(Qt::ISODate),
                           inpatient ? QVariant(room) : QVariant(QMetaType(QMetaType::QString))});

            // One request per section, sections in order; exams in the order listed.
            const QList<int> exams = examsOf(p, random);
            for (int section = 1; section <= 5; ++section) {
                int request = 0;
                for (const int e : exams) {
                    const CatalogueExam &exam = catalogue[e];
                    if (exam.section != section)
                        continue;
                    if (!request) {
                        request = requestNum++;
                        writer.insert(SampleWriter::insertRequest, {request, refNum, section});
                    }
                    writer.insert(SampleWriter::insertExam,
                                  {itemId++, request, QString::fromUtf8(exam.name), barcodes.next(section),
                                   textOrNull(exam.instrument), exam.specimen, exam.profile});
                }
            }
        }
    });
}

} // namespace labdb
