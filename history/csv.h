#pragma once

#include <QByteArray>
#include <QList>

// Comma-separated values as RFC 4180 has them, which Excel, WPS and Python's csv module all read:
// a field is quoted when it holds a comma, a quote or a line break, a quote inside doubled, rows end in CR LF.
namespace csv {

QByteArray line(const QList<QByteArray> &fields);

// Reads rows one after another out of text (UTF-8, a byte-order mark at its start skipped).
class Reader
{
public:
    explicit Reader(const QByteArray &text);
    // The next row's fields into fields; false at the end of the text.
    bool next(QList<QByteArray> &fields);

private:
    QByteArray field();

    const char *at;
    const char *end;
};

} // namespace csv
