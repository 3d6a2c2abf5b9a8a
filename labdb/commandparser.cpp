#include "labdb/commandparser.h"

#include "labdb/session.h"

#include <array>

namespace labdb {

namespace {

struct Token
{
    enum class Kind { Identifier, String, Number, Symbol, End };
    Kind kind = Kind::End;
    QString text;  // as written, for error messages
    QString value; // string literal without its apostrophes, doubled ones undone
};

// Words that can never start a procedure call; the server reports them as keywords.
bool isReservedWord(const QString &word)
{
    static const std::array<QLatin1String, 24> words = {
        QLatin1String("ALTER"),    QLatin1String("BEGIN"),    QLatin1String("COMMIT"),   QLatin1String("CREATE"),
        QLatin1String("DECLARE"),  QLatin1String("DELETE"),   QLatin1String("DROP"),     QLatin1String("EXEC"),
        QLatin1String("EXECUTE"),  QLatin1String("FROM"),     QLatin1String("GRANT"),    QLatin1String("INSERT"),
        QLatin1String("INTO"),     QLatin1String("MERGE"),    QLatin1String("ROLLBACK"), QLatin1String("SET"),
        QLatin1String("SHUTDOWN"), QLatin1String("TRUNCATE"), QLatin1String("UNION"),    QLatin1String("UPDATE"),
        QLatin1String("USE"),      QLatin1String("WHERE"),    QLatin1String("WITH"),     QLatin1String("WHILE"),
    };
    for (const QLatin1String &w : words) {
        if (word.compare(w, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool isIdentifierStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('@') || c == QLatin1Char('#');
}

bool isIdentifierPart(QChar c)
{
    return isIdentifierStart(c) || c.isDigit() || c == QLatin1Char('$');
}

[[noreturn]] void syntaxErrorNear(const Token &token)
{
    if (token.kind == Token::Kind::Identifier && isReservedWord(token.text))
        throw SqlError(156, QStringLiteral("Incorrect syntax near the keyword '%1'.").arg(token.text.toUpper()), 15);
    throw SqlError(102, QStringLiteral("Incorrect syntax near '%1'.").arg(token.text), 15);
}

class Tokenizer
{
public:
    explicit Tokenizer(const QString &text)
        : m_text(text)
    {
    }

    Token next()
    {
        while (m_pos < m_text.size() && m_text.at(m_pos).isSpace())
            ++m_pos;
        Token token;
        if (m_pos >= m_text.size())
            return token;
        const qsizetype start = m_pos;
        const QChar c = m_text.at(m_pos);
        if (c == QLatin1Char('\'')) {
            token.kind = Token::Kind::String;
            // '' is an empty text, not NULL: the value must not be a null QString,
            // which Qt SQL binds as NULL.
            token.value = QStringLiteral("");
            ++m_pos;
            for (;;) {
                if (m_pos >= m_text.size()) {
                    throw SqlError(105,
                                   QStringLiteral("Unclosed quotation mark after the character string '%1'.")
                                       .arg(m_text.mid(start + 1)),
                                   15);
                }
                const QChar d = m_text.at(m_pos++);
                if (d != QLatin1Char('\'')) {
                    token.value.append(d);
                } else if (m_pos < m_text.size() && m_text.at(m_pos) == QLatin1Char('\'')) {
                    token.value.append(d);
                    ++m_pos;
                } else {
                    break;
                }
            }
        } else if (c.isDigit()) {
            token.kind = Token::Kind::Number;
            while (m_pos < m_text.size() && m_text.at(m_pos).isDigit())
                ++m_pos;
            token.value = m_text.mid(start, m_pos - start);
        } else if (isIdentifierStart(c)) {
            token.kind = Token::Kind::Identifier;
            while (m_pos < m_text.size() && isIdentifierPart(m_text.at(m_pos)))
                ++m_pos;
            token.value = m_text.mid(start, m_pos - start);
        } else {
            token.kind = Token::Kind::Symbol;
            ++m_pos;
            token.value = c;
        }
        token.text = m_text.mid(start, m_pos - start);
        return token;
    }

private:
    const QString &m_text;
    qsizetype m_pos = 0;
};

bool isSymbol(const Token &token, char symbol)
{
    return token.kind == Token::Kind::Symbol && token.value == QLatin1Char(symbol);
}

bool isWord(const Token &token, const char *word)
{
    return token.kind == Token::Kind::Identifier && token.value.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

// After the last part of a command: nothing, or one ';' and nothing.
void expectEnd(Tokenizer &tokens, Token token)
{
    if (isSymbol(token, ';'))
        token = tokens.next();
    if (token.kind != Token::Kind::End)
        syntaxErrorNear(token);
}

// SELECT CONVERT(datetime, 'text') [AS alias]: the connection check's reading of
// a date text by the server.
Command parseConvert(Tokenizer &tokens, Token previous)
{
    Command command;
    command.kind = Command::Kind::ConvertDateTime;
    Token token = tokens.next();
    const auto expect = [&](bool ok) {
        if (!ok)
            syntaxErrorNear(token.kind == Token::Kind::End ? previous : token);
        previous = token;
        token = tokens.next();
    };
    expect(isSymbol(token, '('));
    expect(isWord(token, "datetime"));
    expect(isSymbol(token, ','));
    if (token.kind == Token::Kind::String)
        command.arguments.append(token.value);
    expect(token.kind == Token::Kind::String);
    expect(isSymbol(token, ')'));
    if (isWord(token, "as")) {
        expect(true);
        if (token.kind == Token::Kind::Identifier)
            command.alias = token.value;
        expect(token.kind == Token::Kind::Identifier);
    }
    expectEnd(tokens, token);
    return command;
}

Command parseServerDate(Tokenizer &tokens, const Token &select)
{
    Command command;
    command.kind = Command::Kind::ServerDate;
    Token token = tokens.next();
    if (isWord(token, "convert"))
        return parseConvert(tokens, token);
    if (!isWord(token, "getdate"))
        syntaxErrorNear(token.kind == Token::Kind::End ? select : token);
    Token previous = token;
    for (const char symbol : {'(', ')'}) {
        token = tokens.next();
        if (!isSymbol(token, symbol))
            syntaxErrorNear(token.kind == Token::Kind::End ? previous : token);
        previous = token;
    }
    token = tokens.next();
    if (!isWord(token, "as"))
        syntaxErrorNear(token.kind == Token::Kind::End ? previous : token);
    previous = token;
    token = tokens.next();
    if (token.kind != Token::Kind::Identifier)
        syntaxErrorNear(token.kind == Token::Kind::End ? previous : token);
    command.alias = token.value;
    expectEnd(tokens, tokens.next());
    return command;
}

struct Procedure
{
    const char *name;
    Command::Kind kind;
    QList<const char *> parameters;
    int required; // how many leading parameters have no default
};

const QList<Procedure> &procedures()
{
    static const QList<Procedure> list = {
        {"Lab_Barcode_GetRequests", Command::Kind::GetRequests, {"@Number", "@SearchMode"}, 1},
        {"Lab_Barcode_SaveMaster",
         Command::Kind::SaveMaster,
         {"@RefNum", "@IdNum", "@HospNum", "@Barcode", "@ItemID", "@SpecimenID", "@SectionID", "@RequestNum",
          "@ProfileID"},
         9},
        {"Lab_Barcode_SaveDate",
         Command::Kind::SaveDate,
         {"@RequestNum", "@ItemID", "@SectionID", "@PrintDate", "@Status", "@Remarks"},
         6},
    };
    return list;
}

Command parseProcedureCall(Tokenizer &tokens, Token token)
{
    // The name as written: up to three parts separated by full stops, a part may be empty.
    QStringList parts{token.value};
    QString written = token.text;
    token = tokens.next();
    while (isSymbol(token, '.')) {
        if (parts.size() == 3)
            syntaxErrorNear(token);
        written += token.text;
        token = tokens.next();
        if (token.kind == Token::Kind::Identifier) {
            parts.append(token.value);
            written += token.text;
            token = tokens.next();
        } else {
            parts.append(QString());
        }
    }
    if (parts.last().isEmpty())
        syntaxErrorNear(Token{Token::Kind::Symbol, QStringLiteral("."), QStringLiteral(".")});

    const Procedure *procedure = nullptr;
    if (parts.size() == 3 && parts.at(1).isEmpty()) {
        if (parts.at(0).compare(QLatin1String("Laboratory"), Qt::CaseInsensitive) != 0) {
            throw SqlError(911,
                           QStringLiteral("Database '%1' does not exist. Make sure that the name is entered correctly.")
                               .arg(parts.at(0)));
        }
        for (const Procedure &p : procedures()) {
            if (parts.at(2).compare(QLatin1String(p.name), Qt::CaseInsensitive) == 0)
                procedure = &p;
        }
    }
    if (!procedure)
        throw SqlError(2812, QStringLiteral("Could not find stored procedure '%1'.").arg(written), 16, 62);

    Command command;
    command.kind = procedure->kind;
    if (token.kind != Token::Kind::End && !isSymbol(token, ';')) {
        for (;;) {
            if (token.kind != Token::Kind::String && token.kind != Token::Kind::Number)
                syntaxErrorNear(token);
            command.arguments.append(token.value);
            command.bare.append(token.kind == Token::Kind::Number);
            const Token after = tokens.next();
            if (!isSymbol(after, ',')) {
                token = after;
                break;
            }
            token = tokens.next();
            if (token.kind == Token::Kind::End)
                syntaxErrorNear(after);
        }
    }
    expectEnd(tokens, token);

    const QString name = QLatin1String(procedure->name);
    if (command.arguments.size() > procedure->parameters.size())
        throw SqlError(8144, QStringLiteral("Procedure or function %1 has too many arguments specified.").arg(name), 16,
                       2)
            .in(name, 0);
    if (command.arguments.size() < procedure->required) {
        throw SqlError(201,
                       QStringLiteral("Procedure or function '%1' expects parameter '%2', which was not supplied.")
                           .arg(name, QLatin1String(procedure->parameters.at(command.arguments.size()))),
                       16, 4)
            .in(name, 0);
    }
    return command;
}

} // namespace

Command parseCommand(const QString &text)
{
    Tokenizer tokens(text);
    const Token first = tokens.next();
    if (first.kind == Token::Kind::End)
        throw SqlError(0, QStringLiteral("Command text was not set for the command object."));
    if (isWord(first, "select"))
        return parseServerDate(tokens, first);
    if (first.kind != Token::Kind::Identifier || isReservedWord(first.value))
        syntaxErrorNear(first);
    return parseProcedureCall(tokens, first);
}

} // namespace labdb
