#include "labdb/server/sessionstatements.h"

#include <QRegularExpression>

namespace labdb::tds {

namespace {

struct Word
{
    QString text;
    qsizetype start = 0;
    qsizetype end = 0;
};

// The batch's words, ';' as a word of its own. A word may hold a literal in
// apostrophes or an @@variable; what is not a word (an operator) is one word too.
QList<Word> wordsOf(const QString &text)
{
    QList<Word> words;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c.isSpace()) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        if (c == u';' || c == u'>' || c == u'(' || c == u')' || c == u',') {
            ++i;
        } else if (c == u'\'') {
            for (++i; i < text.size(); ++i) {
                if (text.at(i) == u'\'') {
                    if (i + 1 < text.size() && text.at(i + 1) == u'\'')
                        ++i;
                    else
                        break;
                }
            }
            ++i;
        } else {
            while (i < text.size() && !text.at(i).isSpace() && !QStringView(u";>(),'").contains(text.at(i)))
                ++i;
        }
        words.append({text.mid(start, qMin(i, text.size()) - start), start, qMin(i, text.size())});
    }
    return words;
}

bool is(const Word &w, const char *word)
{
    return w.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

// Words that begin a statement, and so end the SET before them.
bool startsStatement(const Word &w)
{
    static const char *const keywords[] = {"set",     "select", "exec",   "execute", "begin",   "commit",  "rollback",
                                           "if",      "insert", "update", "delete",  "declare", "print",   "raiserror",
                                           "waitfor", "use",    "save",   "while",   "return",  "truncate"};
    for (const char *k : keywords) {
        if (is(w, k))
            return true;
    }
    // A procedure named with its database: Laboratory..Name.
    return w.text.contains(u'.');
}

} // namespace

QList<SessionStatement> leadingSessionStatements(const QString &batch, QString *rest)
{
    const QList<Word> words = wordsOf(batch);
    QList<SessionStatement> statements;
    qsizetype i = 0;
    auto restFrom = [&](qsizetype index) {
        if (rest)
            *rest = index < words.size() ? batch.mid(words.at(index).start).trimmed() : QString();
    };
    while (i < words.size()) {
        if (is(words.at(i), ";")) {
            ++i;
            continue;
        }
        const qsizetype first = i;
        SessionStatement s;
        if (is(words.at(i), "if") && i + 4 < words.size() && is(words.at(i + 1), "@@trancount")
            && is(words.at(i + 2), ">") && is(words.at(i + 3), "0")
            && (is(words.at(i + 4), "commit") || is(words.at(i + 4), "rollback"))) {
            s.ifTranCount = true;
            i += 4;
        }
        const Word &w = words.at(i);
        if (is(w, "set") && !s.ifTranCount) {
            // SET option-words value: up to the next statement or ';'.
            qsizetype end = i + 1;
            while (end < words.size() && !is(words.at(end), ";") && !startsStatement(words.at(end)))
                ++end;
            if (end - i < 3) {
                restFrom(first);
                return statements;
            }
            s.kind = SessionStatement::Kind::Set;
            QStringList optionWords;
            for (qsizetype k = i + 1; k < end; ++k)
                optionWords.append(words.at(k).text.toLower());
            // The value is the last word, or the last two of an isolation level
            // ("read committed", "repeatable read").
            qsizetype valueWords = 1;
            if (optionWords.size() >= 5 && optionWords.at(0) == QLatin1String("transaction"))
                valueWords = optionWords.size() - 3;
            s.value = batch.mid(words.at(end - valueWords).start,
                                words.at(end - 1).end - words.at(end - valueWords).start);
            s.option = QStringList(optionWords.mid(0, optionWords.size() - valueWords)).join(u' ');
            i = end;
        } else if (is(w, "begin") && i + 1 < words.size()
                   && (is(words.at(i + 1), "tran") || is(words.at(i + 1), "transaction")) && !s.ifTranCount) {
            s.kind = SessionStatement::Kind::BeginTransaction;
            i += 2;
        } else if (is(w, "commit") || is(w, "rollback")) {
            s.kind = is(w, "commit") ? SessionStatement::Kind::Commit : SessionStatement::Kind::Rollback;
            ++i;
            if (i < words.size() && (is(words.at(i), "tran") || is(words.at(i), "transaction")))
                ++i;
        } else {
            restFrom(first);
            return statements;
        }
        s.text = batch.mid(words.at(first).start, words.at(i - 1).end - words.at(first).start);
        statements.append(s);
    }
    restFrom(words.size());
    return statements;
}

} // namespace labdb::tds
