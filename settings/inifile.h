#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// The text of ntp.ini, read and written as QSettings' INI format with no codec does, so that every
// version of the program reads the same file alike. Two differences, both on purpose: raw bytes that
// form UTF-8 (typed by hand) read as UTF-8 rather than Latin-1, and a serialized object
// ("@Variant(...)" and its kin) is never decoded: it counts as a value the reader could not read.
namespace inifile {

struct Document
{
    // Each value by its path "section/key" ("\" in a key read as "/"), as QSettings' value().toString()
    // gives it; [General] and keys before any section have no section part.
    QMap<QString, QString> values;
    // False when the text held anything this reader cannot give back as QSettings would (a line that is
    // no key, a NUL byte, an object or list value, bytes that are not UTF-8), or nothing but comments.
    bool wellFormed = true;
};

Document parse(const QByteArray &text);

// The file text of these values, sections and keys in the order QSettings writes them; ASCII only.
QByteArray format(const QMap<QString, QString> &values);

} // namespace inifile
