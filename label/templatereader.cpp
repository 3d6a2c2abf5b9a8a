#include "label/templatereader.h"

#include "label/labelerror.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QStringDecoder>

#include <zint.h>

#include <cmath>
#include <optional>

namespace label {

namespace {

constexpr qint64 kMaxFileSize = 256 * 1024;
constexpr int kMaxEntries = 500;
constexpr double kMaxLength = 500.0; // mm; far beyond any label printer

struct Setting
{
    QString key;
    QString value;
    bool used = false;
};

struct Symbology
{
    const char *name;
    int zint;
};

// The symbologies a template may name. Linear ones suit specimen tubes; the two
// matrix codes are there for labels with room for them.
constexpr Symbology kSymbologies[] = {
    {"code128", BARCODE_CODE128},       {"code128b", BARCODE_CODE128B}, {"code39", BARCODE_CODE39},
    {"code93", BARCODE_CODE93},         {"codabar", BARCODE_CODABAR},   {"interleaved2of5", BARCODE_C25INTER},
    {"datamatrix", BARCODE_DATAMATRIX}, {"qrcode", BARCODE_QRCODE},
};

class LineReader
{
public:
    LineReader(const QString &file, int line, const QString &text)
        : m_file(file)
        , m_line(line)
        , m_text(text)
    {
    }

    [[noreturn]] void fail(const QString &what) const
    {
        throw LabelError(QCoreApplication::translate("label::TemplateReader", "Label template \"%1\", line %2: %3")
                             .arg(m_file)
                             .arg(m_line)
                             .arg(what));
    }

    // Splits the line into its kind and key=value settings. Values may be quoted with
    // "..." (\" and \\ inside); an unquoted # starts a comment.
    QString tokenize(QList<Setting> &settings) const
    {
        QString kind;
        qsizetype i = 0;
        const qsizetype n = m_text.size();
        auto skipSpace = [&] {
            while (i < n && m_text.at(i).isSpace())
                ++i;
        };
        skipSpace();
        while (i < n && !m_text.at(i).isSpace() && m_text.at(i) != u'#')
            kind += m_text.at(i++);
        while (true) {
            skipSpace();
            if (i >= n || m_text.at(i) == u'#')
                break;
            QString key;
            while (i < n && m_text.at(i) != u'=' && !m_text.at(i).isSpace() && m_text.at(i) != u'#')
                key += m_text.at(i++);
            if (i >= n || m_text.at(i) != u'=')
                fail(QCoreApplication::translate("label::TemplateReader",
                                                 "\"%1\" is not a setting of the form name=value")
                         .arg(key));
            ++i;
            QString value;
            if (i < n && m_text.at(i) == u'"') {
                ++i;
                bool closed = false;
                while (i < n) {
                    const QChar c = m_text.at(i++);
                    if (c == u'\\' && i < n) {
                        value += m_text.at(i++);
                    } else if (c == u'"') {
                        closed = true;
                        break;
                    } else {
                        value += c;
                    }
                }
                if (!closed)
                    fail(QCoreApplication::translate("label::TemplateReader",
                                                     "the quoted value of \"%1\" has no closing quote")
                             .arg(key));
                if (i < n && !m_text.at(i).isSpace() && m_text.at(i) != u'#')
                    fail(QCoreApplication::translate("label::TemplateReader",
                                                     "a space is missing after the quoted value of \"%1\"")
                             .arg(key));
            } else {
                while (i < n && !m_text.at(i).isSpace() && m_text.at(i) != u'#')
                    value += m_text.at(i++);
            }
            for (const Setting &s : settings)
                if (s.key == key)
                    fail(QCoreApplication::translate("label::TemplateReader", "the setting \"%1\" is given twice")
                             .arg(key));
            settings.append({key, value, false});
        }
        return kind;
    }

    int line() const { return m_line; }

private:
    QString m_file;
    int m_line;
    QString m_text;
};

// The settings of one line, taken by name; anything left over is an error.
class Settings
{
public:
    Settings(const LineReader &reader, const QString &kind, QList<Setting> settings)
        : m_reader(reader)
        , m_kind(kind)
        , m_settings(std::move(settings))
    {
    }

    std::optional<QString> text(const QString &key)
    {
        for (Setting &s : m_settings)
            if (s.key == key) {
                s.used = true;
                return s.value;
            }
        return std::nullopt;
    }

    QString requiredText(const QString &key)
    {
        auto v = text(key);
        if (!v)
            missing(key);
        return *v;
    }

    double number(const QString &key, std::optional<double> fallback, double min, double max)
    {
        auto v = text(key);
        if (!v) {
            if (!fallback)
                missing(key);
            return *fallback;
        }
        bool ok = false;
        const double d = QLocale::c().toDouble(*v, &ok);
        if (!ok || !std::isfinite(d))
            m_reader.fail(
                QCoreApplication::translate("label::TemplateReader", "\"%1\" is not a number (setting \"%2\")")
                    .arg(*v, key));
        if (d < min || d > max)
            m_reader.fail(QCoreApplication::translate("label::TemplateReader", "%1 = %2 is out of range (%3 to %4)")
                              .arg(key, *v)
                              .arg(min)
                              .arg(max));
        return d;
    }

    int choice(const QString &key, const QStringList &choices, int fallback)
    {
        auto v = text(key);
        if (!v)
            return fallback;
        const int at = int(choices.indexOf(v->toLower()));
        if (at < 0)
            m_reader.fail(QCoreApplication::translate("label::TemplateReader", "\"%1\" is not a valid %2 (use %3)")
                              .arg(*v, key, choices.join(QStringLiteral(", "))));
        return at;
    }

    void finish() const
    {
        for (const Setting &s : m_settings)
            if (!s.used)
                m_reader.fail(QCoreApplication::translate("label::TemplateReader", "unknown setting \"%1\" for %2")
                                  .arg(s.key, m_kind));
    }

    [[noreturn]] void missing(const QString &key) const
    {
        m_reader.fail(QCoreApplication::translate("label::TemplateReader", "the setting \"%1\" is missing for %2")
                          .arg(key, m_kind));
    }

private:
    const LineReader &m_reader;
    QString m_kind;
    QList<Setting> m_settings;
};

class Parser
{
public:
    explicit Parser(const QString &path)
    {
        m_t.path = path;
        m_name = QFileInfo(path).fileName();
        if (m_name.isEmpty())
            m_name = path;
    }

    LabelTemplate run(const QByteArray &content)
    {
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString text = decoder(content);
        if (decoder.hasError())
            throw LabelError(
                QCoreApplication::translate("label::TemplateReader", "Label template \"%1\" is not a UTF-8 text file.")
                    .arg(m_name));
        const QStringList lines = text.split(u'\n');
        for (int i = 0; i < lines.size(); ++i) {
            QString line = lines.at(i);
            if (line.endsWith(u'\r'))
                line.chop(1);
            readLine(LineReader(m_name, i + 1, line));
        }
        if (!m_hasLabel)
            throw LabelError(
                QCoreApplication::translate("label::TemplateReader",
                                            "Label template \"%1\": the label size is missing (a line such as "
                                            "\"label width=50.8 height=25.4\").")
                    .arg(m_name));
        for (const auto &[line, box] : m_boxes)
            if (box.right() > m_t.width + 1e-6 || box.bottom() > m_t.height + 1e-6)
                throw LabelError(
                    QCoreApplication::translate("label::TemplateReader",
                                                "Label template \"%1\", line %2: the item reaches beyond the "
                                                "%3 x %4 mm label.")
                        .arg(m_name)
                        .arg(line)
                        .arg(m_t.width)
                        .arg(m_t.height));
        return m_t;
    }

private:
    void readLine(const LineReader &reader)
    {
        QList<Setting> settings;
        const QString kind = reader.tokenize(settings);
        if (kind.isEmpty())
            return;
        if (++m_entries > kMaxEntries)
            reader.fail(QCoreApplication::translate("label::TemplateReader", "too many lines with items (at most %1)")
                            .arg(kMaxEntries));
        Settings s(reader, kind, std::move(settings));
        if (kind == u"label")
            readLabel(reader, s);
        else if (kind == u"field")
            readField(reader, s);
        else if (kind == u"text")
            readText(reader, s);
        else if (kind == u"barcode")
            readBarcode(reader, s);
        else
            reader.fail(QCoreApplication::translate("label::TemplateReader",
                                                    "unknown item kind \"%1\" (use label, field, text or barcode)")
                            .arg(kind));
        s.finish();
    }

    void readLabel(const LineReader &reader, Settings &s)
    {
        if (m_hasLabel)
            reader.fail(QCoreApplication::translate("label::TemplateReader", "the label size is given twice"));
        m_t.width = s.number(QStringLiteral("width"), std::nullopt, 1, kMaxLength);
        m_t.height = s.number(QStringLiteral("height"), std::nullopt, 1, kMaxLength);
        m_hasLabel = true;
    }

    void readField(const LineReader &reader, Settings &s)
    {
        const QString name = s.requiredText(QStringLiteral("name"));
        if (name.isEmpty() || name.contains(u'{') || name.contains(u'}'))
            reader.fail(QCoreApplication::translate("label::TemplateReader", "a field needs a name without braces"));
        if (m_fieldIndex.contains(name))
            reader.fail(
                QCoreApplication::translate("label::TemplateReader", "the field \"%1\" is declared twice").arg(name));
        m_fieldIndex.insert(name, int(m_t.fields.size()));
        m_t.fields.append({name, s.text(QStringLiteral("default")).value_or(QString())});
    }

    QRectF box(Settings &s, bool withHeight)
    {
        const double x = s.number(QStringLiteral("x"), std::nullopt, 0, kMaxLength);
        const double y = s.number(QStringLiteral("y"), std::nullopt, 0, kMaxLength);
        const double w = s.number(QStringLiteral("width"), std::nullopt, 0.1, kMaxLength);
        const double h = withHeight ? s.number(QStringLiteral("height"), std::nullopt, 0.1, kMaxLength) : 0.0;
        return QRectF(x, y, w, h);
    }

    int fieldByName(const LineReader &reader, const QString &name) const
    {
        const auto it = m_fieldIndex.constFind(name);
        if (it == m_fieldIndex.constEnd())
            reader.fail(QCoreApplication::translate("label::TemplateReader",
                                                    "no field named \"%1\" is declared above this line")
                            .arg(name));
        return *it;
    }

    // "HN {HospNum}" -> literal "HN ", field HospNum. "{{" and "}}" stand for braces.
    QList<LabelTemplate::TextPart> textParts(const LineReader &reader, const QString &text) const
    {
        QList<LabelTemplate::TextPart> parts;
        QString literal;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if ((c == u'{' || c == u'}') && i + 1 < text.size() && text.at(i + 1) == c) {
                literal += c;
                ++i;
            } else if (c == u'{') {
                const qsizetype end = text.indexOf(u'}', i);
                if (end < 0)
                    reader.fail(QCoreApplication::translate("label::TemplateReader",
                                                            "the text \"%1\" has a \"{\" without its \"}\"")
                                    .arg(text));
                if (!literal.isEmpty())
                    parts.append({literal, -1});
                literal.clear();
                parts.append({QString(), fieldByName(reader, text.mid(i + 1, end - i - 1))});
                i = end;
            } else if (c == u'}') {
                reader.fail(QCoreApplication::translate("label::TemplateReader",
                                                        "the text \"%1\" has a \"}\" without its \"{\"")
                                .arg(text));
            } else {
                literal += c;
            }
        }
        if (!literal.isEmpty())
            parts.append({literal, -1});
        return parts;
    }

    QString family(Settings &s)
    {
        const QString f = s.text(QStringLiteral("font")).value_or(QStringLiteral("Liberation Sans"));
        return f.isEmpty() ? QStringLiteral("Liberation Sans") : f;
    }

    static bool onOff(Settings &s, const QString &key, bool fallback)
    {
        return s.choice(key, {QStringLiteral("off"), QStringLiteral("on")}, fallback ? 1 : 0) == 1;
    }

    void readText(const LineReader &reader, Settings &s)
    {
        LabelTemplate::TextItem item;
        item.line = reader.line();
        item.box = box(s, true);
        const auto field = s.text(QStringLiteral("field"));
        const auto text = s.text(QStringLiteral("text"));
        if (field && text)
            reader.fail(
                QCoreApplication::translate("label::TemplateReader", "a text takes either field= or text=, not both"));
        if (field)
            item.parts.append({QString(), fieldByName(reader, *field)});
        else if (text)
            item.parts = textParts(reader, *text);
        else
            reader.fail(QCoreApplication::translate("label::TemplateReader",
                                                    "the setting \"field\" or \"text\" is missing for text"));
        item.family = family(s);
        item.pointSize = s.number(QStringLiteral("size"), 8.0, 2, 200);
        item.bold = s.choice(QStringLiteral("weight"), {QStringLiteral("normal"), QStringLiteral("bold")}, 0) == 1;
        static const int aligns[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
        item.alignment = aligns[s.choice(
            QStringLiteral("align"), {QStringLiteral("left"), QStringLiteral("center"), QStringLiteral("right")}, 0)];
        item.overflow = s.choice(QStringLiteral("overflow"), {QStringLiteral("elide"), QStringLiteral("shrink")}, 0)
                == 1
            ? LabelTemplate::Overflow::Shrink
            : LabelTemplate::Overflow::Elide;
        item.hideWhenEmpty = onOff(s, QStringLiteral("hide-when-empty"), false);
        m_boxes.append({item.line, item.box});
        m_t.order.append({LabelTemplate::ItemKind::Text, int(m_t.texts.size())});
        m_t.texts.append(item);
    }

    void readBarcode(const LineReader &reader, Settings &s)
    {
        LabelTemplate::BarcodeItem item;
        item.line = reader.line();
        item.box = box(s, false);
        item.field = fieldByName(reader, s.requiredText(QStringLiteral("field")));
        item.symbologyName = s.text(QStringLiteral("symbology")).value_or(QStringLiteral("code128")).toLower();
        item.symbology = 0;
        for (const Symbology &sym : kSymbologies)
            if (item.symbologyName == QLatin1String(sym.name))
                item.symbology = sym.zint;
        if (item.symbology == 0) {
            QStringList names;
            for (const Symbology &sym : kSymbologies)
                names << QLatin1String(sym.name);
            reader.fail(QCoreApplication::translate("label::TemplateReader", "unknown symbology \"%1\" (use %2)")
                            .arg(item.symbologyName, names.join(QStringLiteral(", "))));
        }
        item.moduleWidth = s.number(QStringLiteral("module"), 0.25, 0.05, 5);
        item.barHeight = s.number(QStringLiteral("bar-height"), 10.0, 1, kMaxLength);
        item.quietZone = int(s.number(QStringLiteral("quiet"), 10.0, 0, 100));
        item.humanReadable = onOff(s, QStringLiteral("hrt"), true);
        item.textSize = s.number(QStringLiteral("hrt-size"), 7.0, 2, 72);
        item.textBold = s.choice(QStringLiteral("hrt-weight"), {QStringLiteral("normal"), QStringLiteral("bold")}, 0)
            == 1;
        item.family = family(s);
        item.box.setHeight(item.barHeight + item.textHeight());
        m_boxes.append({item.line, item.box});
        m_t.order.append({LabelTemplate::ItemKind::Barcode, int(m_t.barcodes.size())});
        m_t.barcodes.append(item);
    }

    LabelTemplate m_t;
    QString m_name;
    bool m_hasLabel = false;
    int m_entries = 0;
    QHash<QString, int> m_fieldIndex;
    QList<std::pair<int, QRectF>> m_boxes;
};

} // namespace

LabelTemplate TemplateReader::parse(const QByteArray &content, const QString &path)
{
    return Parser(path).run(content);
}

LabelTemplate TemplateReader::readFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw LabelError(
            QCoreApplication::translate("label::TemplateReader", "The label template \"%1\" does not exist.")
                .arg(path));
    if (!info.isFile())
        throw LabelError(
            QCoreApplication::translate("label::TemplateReader", "The label template \"%1\" is not a file.").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw LabelError(
            QCoreApplication::translate("label::TemplateReader", "The label template \"%1\" cannot be read: %2")
                .arg(path, file.errorString()));
    const QByteArray content = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        throw LabelError(
            QCoreApplication::translate("label::TemplateReader", "The label template \"%1\" cannot be read: %2")
                .arg(path, file.errorString()));
    if (content.size() > kMaxFileSize)
        throw LabelError(
            QCoreApplication::translate("label::TemplateReader",
                                        "The label template \"%1\" is larger than %2 KiB; it is not a label template.")
                .arg(path)
                .arg(kMaxFileSize / 1024));
    return parse(content, path);
}

} // namespace label
