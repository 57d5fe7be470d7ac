#pragma once

#include <QString>

// The two field patterns of the program, in QRegExp syntax, always matched as a whole.
namespace inputpatterns {

// A dotted IPv4 address, each part 0 to 255, leading zeros allowed.
inline const char *address()
{
    return "\\b(?:(?:25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\\.){3}(?:25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\\b";
}

// An optional minus sign and one or more digits.
inline const char *number()
{
    return "^(-?[0-9])|(-?\\d+)$";
}

bool isAddress(const QString &text);
bool isNumber(const QString &text);

} // namespace inputpatterns
