#include "settings/inifile.h"

// Writes as QSettings' INI writer does with no codec, so that every version of the program reads the
// file alike: every character beyond ASCII as "\x" and its code, the file ASCII throughout.
namespace inifile {

namespace {

bool isHexDigit(ushort c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

QByteArray escapedKey(const QString &key)
{
    QByteArray escaped;
    for (const QChar c : key) {
        const ushort u = c.unicode();
        if (u == '/')
            escaped += '\\';
        else if (u < 0x80 && (c.isLetterOrNumber() || u == '_' || u == '-' || u == '.'))
            escaped += char(u);
        else if (u < 0x100)
            escaped += '%' + QByteArray::number(u, 16).toUpper().rightJustified(2, '0');
        else
            escaped += "%U" + QByteArray::number(u, 16).toUpper().rightJustified(4, '0');
    }
    return escaped;
}

QByteArray escapedCharacter(ushort u)
{
    const int simple = u < 0x20 ? QByteArray("\a\b\f\n\r\t\v", 7).indexOf(char(u)) : -1;
    if (simple >= 0)
        return QByteArray("\\") + "abfnrtv"[simple];
    if (u == '"' || u == '\\')
        return QByteArray("\\") + char(u);
    if (u == 0)
        return "\\0";
    if (u < 0x20 || u >= 0x7f)
        return "\\x" + QByteArray::number(u, 16);
    return QByteArray(1, char(u));
}

QByteArray escapedValue(const QString &value)
{
    // Text holding a NUL is wrapped, and a leading "@" doubled, so that neither reads as an object.
    const QString text = value.contains(QChar(0))             ? QStringLiteral("@String(") + value + QLatin1Char(')')
                         : value.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + value
                                                              : value;
    QByteArray escaped;
    bool afterNumber = false; // a hex digit after a number escape would read as part of it
    for (const QChar c : text) {
        const ushort u = c.unicode();
        const QByteArray piece = afterNumber && isHexDigit(u) ? "\\x" + QByteArray::number(u, 16) : escapedCharacter(u);
        afterNumber = piece.startsWith("\\x") || piece == "\\0";
        escaped += piece;
    }
    const bool quoted = text.contains(QLatin1Char(';')) || text.contains(QLatin1Char(','))
                        || text.contains(QLatin1Char('=')) || escaped.startsWith(' ') || escaped.endsWith(' ');
    return quoted ? '"' + escaped + '"' : escaped;
}

} // namespace

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
