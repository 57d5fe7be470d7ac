#pragma once

#include <QHostAddress>
#include <QString>

namespace dottedquad {

// The address of a text that matched the address pattern, each part read as a decimal number:
// "010.0.0.1" is 10.0.0.1 (QHostAddress alone would read the leading zero as octal, 8.0.0.1).
QHostAddress toAddress(const QString &matchedText);

} // namespace dottedquad
