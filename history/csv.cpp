#include "history/csv.h"

namespace csv {

namespace {

QByteArray quoted(const QByteArray &field)
{
    if (!field.contains(',') && !field.contains('"') && !field.contains('\r') && !field.contains('\n'))
        return field;
    QByteArray inner = field;
    return '"' + inner.replace('"', "\"\"") + '"';
}

} // namespace

QByteArray line(const QList<QByteArray> &fields)
{
    QByteArray text;
    for (int i = 0; i < fields.size(); ++i)
        text += (i ? "," : "") + quoted(fields[i]);
    return text + "\r\n";
}

Reader::Reader(const QByteArray &text) : at(text.constData()), end(text.constData() + text.size())
{
    if (text.startsWith("\xEF\xBB\xBF"))
        at += 3;
}

bool Reader::next(QList<QByteArray> &fields)
{
    fields.clear();
    if (at >= end)
        return false;
    for (;;) {
        fields.append(field());
        if (at < end && *at == ',') {
            ++at;
            continue;
        }
        // The end of the row: CR LF, or a lone LF or CR as other programs may have left it.
        if (at < end && *at == '\r')
            ++at;
        if (at < end && *at == '\n')
            ++at;
        return true;
    }
}

QByteArray Reader::field()
{
    if (at >= end || *at != '"') {
        const char *start = at;
        while (at < end && *at != ',' && *at != '\r' && *at != '\n')
            ++at;
        return QByteArray(start, int(at - start));
    }
    QByteArray value;
    for (++at; at < end; ++at) {
        if (*at != '"') {
            value += *at;
        } else if (at + 1 < end && at[1] == '"') {
            value += '"';
            ++at;
        } else {
            ++at; // the closing quote
            break;
        }
    }
    while (at < end && *at != ',' && *at != '\r' && *at != '\n')
        value += *at++; // text after the closing quote, kept as it stands
    return value;
}

} // namespace csv
