#pragma once

#include <QString>
#include <QStringList>

// The About box's rich text, piece by piece, in the order they are joined.
QStringList aboutTextPieces();
QString aboutText();
