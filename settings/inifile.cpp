#include "settings/inifile.h"

#include <QStringList>

namespace inifile {

namespace {

bool isHexDigit(QChar c)
{
    return c.isDigit() || (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'));
}

// "%XX" and "%UXXXX" stand for one character of a key; "\" separates its parts.
QString unescapedKey(const QString &key)
{
    QString plain;
    for (int i = 0; i < key.size(); ++i) {
        const int digits = key.mid(i + 1, 1) == QLatin1String("U") ? 4 : 2;
        const QString hex = key.mid(i + 1 + (digits == 4), digits);
        bool isHex = false;
        const ushort code = hex.toUShort(&isHex, 16);
        if (key[i] == QLatin1Char('%') && isHex && hex.size() == digits) {
            plain += QChar(code);
            i += digits + (digits == 4);
        } else {
            plain += key[i] == QLatin1Char('\\') ? QLatin1Char('/') : key[i];
        }
    }
    return plain;
}

// The character a backslash escape at text[i] stands for; i is left on the escape's last character.
QString escapedCharacter(const QString &text, int &i)
{
    const QChar c = text.at(++i);
    const int simple = QStringLiteral("abfnrtv").indexOf(c);
    if (simple >= 0)
        return QString(QChar("\a\b\f\n\r\t\v"[simple]));
    int digits = 0;
    const bool hex = c == QLatin1Char('x');
    const int first = hex ? i + 1 : i;
    while (digits < (hex ? 4 : 3) && first + digits < text.size()
           && (hex ? isHexDigit(text[first + digits])
                   : (text[first + digits] >= QLatin1Char('0') && text[first + digits] <= QLatin1Char('7'))))
        ++digits;
    if (hex || c.isDigit()) {
        i = first + digits - 1;
        return digits ? QString(QChar(text.mid(first, digits).toUShort(nullptr, hex ? 16 : 8))) : QString();
    }
    return QStringLiteral("\"'\\?").contains(c) ? QString(c) : QString();
}

// A value as QSettings reads it: trimmed, quotes kept together, escapes resolved, ";" ending it; items
// separated by unquoted commas are joined again with ", ", and "@@" stands for one "@".
QString unescapedValue(const QString &raw)
{
    QStringList items;
    QString item, spaces;
    bool quoted = false;
    for (int i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (!quoted && (c == QLatin1Char(' ') || c == QLatin1Char('\t'))) {
            spaces += item.isEmpty() ? QString() : QString(c);
            continue;
        }
        if (!quoted && c == QLatin1Char(';'))
            break;
        if (!quoted && c == QLatin1Char(',')) {
            items << item;
            item.clear();
            spaces.clear();
            continue;
        }
        item += spaces;
        spaces.clear();
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (c == QLatin1Char('\\') && i + 1 < raw.size())
            item += escapedCharacter(raw, i);
        else
            item += c;
    }
    items << item;
    const QString value = items.join(QLatin1String(", "));
    if (value.startsWith(QLatin1String("@@")))
        return value.mid(1);
    if (value.startsWith(QLatin1String("@String(")) && value.endsWith(QLatin1Char(')')))
        return value.mid(8, value.size() - 9);
    return value;
}

// Lines ending in an odd number of backslashes go on in the next line.
QStringList logicalLines(const QByteArray &text)
{
    QStringList lines;
    bool continued = false;
    for (QString line : QString::fromUtf8(text).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (continued)
            lines.last() += line;
        else
            lines << line;
        int backslashes = 0;
        while (backslashes < lines.last().size()
               && lines.last().at(lines.last().size() - 1 - backslashes) == QLatin1Char('\\'))
            ++backslashes;
        continued = backslashes % 2 == 1;
        if (continued)
            lines.last().chop(1);
    }
    return lines;
}

QByteArray escapedKey(const QString &key)
{
    QByteArray escaped;
    for (const QChar c : key) {
        if (c == QLatin1Char('/'))
            escaped += '\\';
        else if (c.unicode() < 0x80 && (c.isLetterOrNumber() || QStringLiteral("-_.~").contains(c)))
            escaped += char(c.unicode());
        else if (c.unicode() < 0x100)
            escaped += '%' + QByteArray::number(c.unicode(), 16).toUpper().rightJustified(2, '0');
        else
            escaped += "%U" + QByteArray::number(c.unicode(), 16).toUpper().rightJustified(4, '0');
    }
    return escaped;
}

QByteArray escapedValue(const QString &value)
{
    const QString text = value.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + value : value;
    QByteArray escaped;
    QString plain; // written as UTF-8 in one piece, so that surrogate pairs stay whole
    bool hexJustWritten = false;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        const int simple = u < 0x20 ? QByteArray("\a\b\f\n\r\t\v", 7).indexOf(char(u)) : -1;
        QByteArray escape;
        if (hexJustWritten && isHexDigit(c))
            escape = "\\x" + QByteArray::number(u, 16);
        else if (simple >= 0)
            escape = QByteArray("\\") + "abfnrtv"[simple];
        else if (u == '"' || u == '\\')
            escape = QByteArray("\\") + char(u);
        else if (u < 0x20 || u == 0x7f)
            escape = u == 0 ? QByteArray("\\0") : "\\x" + QByteArray::number(u, 16);
        if (escape.isEmpty()) {
            plain += c;
            hexJustWritten = false;
            continue;
        }
        escaped += plain.toUtf8() + escape;
        plain.clear();
        hexJustWritten = escape.startsWith("\\x") || escape == "\\0";
    }
    escaped += plain.toUtf8();
    const bool quoted = text.contains(QLatin1Char(';')) || text.contains(QLatin1Char(','))
                        || text.contains(QLatin1Char('=')) || text.startsWith(QLatin1Char(' '))
                        || text.endsWith(QLatin1Char(' '));
    return quoted ? '"' + escaped + '"' : escaped;
}

} // namespace

Document parse(const QByteArray &text)
{
    Document document;
    QString section;
    for (const QString &line : logicalLines(text)) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')))
            continue;
        if (trimmed.startsWith(QLatin1Char('['))) {
            const int end = trimmed.indexOf(QLatin1Char(']'));
            document.wellFormed = document.wellFormed && end > 0;
            section = unescapedKey(trimmed.mid(1, end > 0 ? end - 1 : -1).trimmed());
            section = section == QLatin1String("General")    ? QString()
                      : section == QLatin1String("%General") ? QStringLiteral("General")
                                                             : section;
            continue;
        }
        const int equals = trimmed.indexOf(QLatin1Char('='));
        const QString key = unescapedKey(trimmed.left(equals).trimmed());
        if (equals <= 0 || key.isEmpty()) {
            document.wellFormed = false;
            continue;
        }
        document.values.insert(section.isEmpty() ? key : section + QLatin1Char('/') + key,
                               unescapedValue(trimmed.mid(equals + 1)));
    }
    return document;
}

QByteArray format(const QMap<QString, QString> &values)
{
    // Keys without a section go under [General], which comes first; the map keeps the rest in order.
    QMap<QString, QMap<QString, QString>> sections;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const int slash = it.key().indexOf(QLatin1Char('/'));
        sections[slash < 0 ? QString() : it.key().left(slash)].insert(it.key().mid(slash + 1), it.value());
    }
    QByteArray text;
    for (auto section = sections.cbegin(); section != sections.cend(); ++section) {
        const QByteArray name = section.key().isEmpty()                     ? QByteArray("General")
                                : section.key() == QLatin1String("General") ? QByteArray("%General")
                                                                            : escapedKey(section.key());
        text += (text.isEmpty() ? "[" : "\n[") + name + "]\n";
        for (auto key = section->cbegin(); key != section->cend(); ++key)
            text += escapedKey(key.key()) + '=' + escapedValue(key.value()) + '\n';
    }
    return text;
}

} // namespace inifile
