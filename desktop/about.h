#pragma once

#include <QString>
#include <QStringList>

class QAction;
class QMenu;

// The About box's rich text, piece by piece, in the order they are joined.
QStringList aboutTextPieces();
QString aboutText();

// The form creates the manual command but puts it in no menu; it goes into the "关于" menu, first.
void offerManualCommand(QMenu *aboutMenu, QAction *manualAction);
