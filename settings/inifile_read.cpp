#include "settings/inifile.h"

#include <QStringList>

#include <optional>

// Reads as QSettings' INI reader does, step for step, so that a file means the same to every version.
namespace inifile {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isSpace(char c)
{
    return isBlank(c) || c == '\n' || c == '\r';
}

bool isSpecial(char c)
{
    return c == '\n' || c == '\r' || c == '"' || c == ';' || c == '=' || c == '\\';
}

// One logical line: a line break inside quotes or after a backslash does not end it, a ";" outside
// quotes does, and a line that starts with ";" is a comment up to the end of its physical line.
struct Line
{
    int start = 0;
    int length = 0;
    int equals = -1;
};

bool endLine(int end, int &pos, Line &line)
{
    pos = end;
    line.length = end - line.start;
    return line.length > 0;
}

bool readLine(const QByteArray &data, int &pos, Line &line)
{
    const int size = data.size();
    bool inQuotes = false;
    line.equals = -1;
    line.start = pos;
    while (line.start < size && isSpace(data[line.start]))
        ++line.start;
    int i = line.start;
    while (i < size) {
        const char c = data[i++];
        if (!isSpecial(c))
            continue;
        if (c == '=') {
            if (!inQuotes && line.equals == -1)
                line.equals = i - 1;
        } else if (c == '\n' || c == '\r') {
            if (i == line.start + 1)
                ++line.start;
            else if (!inQuotes)
                return endLine(i - 1, pos, line); // the line break belongs to the next line
        } else if (c == '\\') {
            // The escaped character is skipped, a line break with its partner.
            if (i < size) {
                const char escaped = data[i++];
                if (i < size && ((escaped == '\n' && data[i] == '\r') || (escaped == '\r' && data[i] == '\n')))
                    ++i;
            }
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (i == line.start + 1) { // a comment
            while (i < size && data[i] != '\n' && data[i] != '\r')
                ++i;
            while (i < size && isSpace(data[i]))
                ++i;
            line.start = i;
        } else if (!inQuotes) {
            return endLine(i - 1, pos, line); // so does a ";" that starts a comment
        }
    }
    return endLine(i, pos, line);
}

// Raw bytes: UTF-8 where they are, else Latin-1 as QSettings takes every byte.
QString decoded(const QByteArray &bytes, bool &asRead)
{
    const QString text = QString::fromUtf8(bytes.constData(), bytes.size());
    if (text.toUtf8() == bytes)
        return text;
    asRead = false;
    return QString::fromLatin1(bytes.constData(), bytes.size());
}

// "%XX" and "%UXXXX" stand for one character of a key; "\" separates its parts.
QString unescapedKey(const QByteArray &key)
{
    QString plain;
    for (int i = 0; i < key.size(); ++i) {
        const int digits = key.mid(i + 1, 1) == "U" ? 4 : 2;
        const int first = i + 1 + (digits == 4);
        bool isHex = false;
        const int code = key.mid(first, digits).toInt(&isHex, 16);
        if (key[i] == '%' && i < key.size() - 1 && first + digits <= key.size() && isHex) {
            plain += QChar(code);
            i = first + digits - 1;
        } else {
            plain += key[i] == '\\' ? QChar(QLatin1Char('/')) : QChar(QLatin1Char(key[i]));
        }
    }
    return plain;
}

void chopTrailingBlanks(QString &text, int limit)
{
    while (text.size() > limit && (text.endsWith(QLatin1Char(' ')) || text.endsWith(QLatin1Char('\t'))))
        text.chop(1);
}

// A number escape, "\x" with hex or "\" with octal digits, as many as follow; only the low 16 bits count.
QChar numberEscape(const QByteArray &text, int &i, int to, int base)
{
    quint32 code = 0;
    bool isDigit = true;
    while (i < to && isDigit) {
        const int digit = QByteArray(1, text[i]).toInt(&isDigit, base);
        if (isDigit) {
            code = code * quint32(base) + quint32(digit);
            ++i;
        }
    }
    return QChar(ushort(code & 0xffff));
}

struct Value
{
    QStringList items; // more than one when unquoted commas made it a list
    bool asRead = true;
};

void skipBlanks(const QByteArray &text, int &i, int to)
{
    while (i < to && isBlank(text[i]))
        ++i;
}

// The escape after a backslash at text[i - 1], added to item; false where the text ends inside it, which
// leaves the blanks before it standing.
bool readEscape(const QByteArray &text, int &i, int to, QString &item)
{
    if (i >= to)
        return false;
    const char e = text[i++];
    const int simple = QByteArray("abfnrtv\"?'\\").indexOf(e);
    if (simple >= 0)
        item += QLatin1Char("\a\b\f\n\r\t\v\"?'\\"[simple]);
    else if (e == 'x' && i >= to)
        return false;
    else if (e == 'x' && QByteArray("0123456789abcdefABCDEF").contains(text[i]))
        item += numberEscape(text, i, to, 16);
    else if (e >= '0' && e <= '7')
        item += numberEscape(text, --i, to, 8);
    else if ((e == '\n' || e == '\r') && i < to && (text[i] == '\n' || text[i] == '\r') && text[i] != e)
        ++i; // a continued line; any other character is dropped
    return true;
}

// The text after "=": blanks around it dropped unless quoted or escaped, escapes resolved, quotes taken away.
Value readValue(const QByteArray &text, int from, int to)
{
    Value value;
    QString item;
    bool inQuotes = false, quoted = false, chopAtEnd = true;
    int i = from, chopLimit = 0;
    skipBlanks(text, i, to);
    while (i < to && chopAtEnd) {
        const char c = text[i++];
        if (c == '\\') {
            chopAtEnd = readEscape(text, i, to, item);
            chopLimit = item.size();
        } else if (c == '"') {
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                skipBlanks(text, i, to);
                chopLimit = item.size();
            }
        } else if (c == ',' && !inQuotes) {
            if (!quoted)
                chopTrailingBlanks(item, chopLimit);
            value.items << item;
            item.clear();
            quoted = false;
            skipBlanks(text, i, to);
            chopLimit = 0;
        } else {
            int j = i;
            while (j < to && text[j] != '\\' && text[j] != '"' && text[j] != ',')
                ++j;
            item += decoded(text.mid(i - 1, j - i + 1), value.asRead);
            i = j;
        }
    }
    if (chopAtEnd && !quoted)
        chopTrailingBlanks(item, chopLimit);
    value.items << item;
    return value;
}

// What value().toString() gives for the text; nothing for a value that is not text, as an object is.
std::optional<QString> textOf(const QString &s, bool &asRead)
{
    const bool wrapped = s.startsWith(QLatin1Char('@')) && s.endsWith(QLatin1Char(')'));
    if (wrapped && s.startsWith(QLatin1String("@ByteArray("))) {
        const QByteArray bytes = s.mid(11, s.size() - 12).toLatin1();
        asRead = asRead && !bytes.contains('\0');
        return QString::fromUtf8(bytes.constData()); // as a byte array reads as text: up to a NUL
    }
    if (wrapped && s.startsWith(QLatin1String("@String(")))
        return s.mid(8, s.size() - 9);
    if (wrapped && s == QLatin1String("@Invalid()"))
        return std::nullopt;
    for (const char *object : {"@Variant(", "@DateTime(", "@Rect(", "@Size(", "@Point("}) {
        if (wrapped && s.startsWith(QLatin1String(object))) {
            asRead = false;
            return std::nullopt;
        }
    }
    return s.startsWith(QLatin1String("@@")) ? s.mid(1) : s;
}

QString sectionName(const QByteArray &data, const Line &line, bool &asRead)
{
    const int end = data.indexOf(']', line.start);
    const bool closed = end != -1 && end < line.start + line.length;
    asRead = asRead && closed;
    const QByteArray name = data.mid(line.start + 1, closed ? end - line.start - 1 : line.length - 1).trimmed();
    if (name.toLower() == "general")
        return QString();
    if (name.toLower() == "%general")
        return QString::fromLatin1(name.mid(1)) + QLatin1Char('/');
    return unescapedKey(name) + QLatin1Char('/');
}

} // namespace

Document parse(const QByteArray &text)
{
    Document document;
    bool &asRead = document.wellFormed;
    asRead = !text.contains('\0');
    // A byte-order mark says UTF-8, which is how raw bytes read anyway.
    const int start = text.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    int pos = start;
    QString section;
    Line line;
    while (readLine(text, pos, line)) {
        if (text[line.start] == '[') {
            section = sectionName(text, line, asRead);
            continue;
        }
        if (line.equals == -1) {
            asRead = asRead && text[line.start] == ';';
            continue;
        }
        int keyEnd = line.equals;
        while (keyEnd > line.start && isBlank(text[keyEnd - 1]))
            --keyEnd;
        const QString key = unescapedKey(text.mid(line.start, keyEnd - line.start));
        Value value = readValue(text, line.equals + 1, line.start + line.length);
        // A list reads as no text at all; the program never writes one, so it was typed by hand.
        asRead = asRead && !key.isEmpty() && value.asRead && value.items.size() == 1;
        const std::optional<QString> read = textOf(value.items.size() == 1 ? value.items.first() : QString(), asRead);
        if (key.isEmpty())
            continue;
        if (read)
            document.values.insert(section + key, *read);
        else
            document.values.remove(section + key);
    }
    // A file that holds something but gives no value at all is not one the program wrote.
    asRead = asRead && (!document.values.isEmpty() || text.mid(start).trimmed().isEmpty());
    return document;
}

} // namespace inifile
