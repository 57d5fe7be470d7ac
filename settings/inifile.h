#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// The text of ntp.ini, read and written as QSettings' INI format lays it out (sections, "\" in keys,
// quotes and backslash escapes), with two differences: the text is UTF-8, and a value is never
// decoded as a serialized object, so "@Variant(...)" reads as the text it holds rather than making
// the reader allocate whatever the bytes claim.
namespace inifile {

struct Document
{
    // Each value by its path "section/key" ("\" in a key read as "/"); [General] and keys before
    // any section have no section part.
    QMap<QString, QString> values;
    // False when a line was neither a section, a key nor a comment, or a section was left open.
    bool wellFormed = true;
};

Document parse(const QByteArray &text);

// The file text of these values, sections and keys in the order QSettings writes them.
QByteArray format(const QMap<QString, QString> &values);

} // namespace inifile
