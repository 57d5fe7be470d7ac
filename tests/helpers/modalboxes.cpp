#include "helpers/modalboxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>

ModalBoxCloser::ModalBoxCloser(QObject *parent) : QObject(parent)
{
    connect(&m_timer, &QTimer::timeout, this, &ModalBoxCloser::poll);
    m_timer.start(10);
}

void ModalBoxCloser::poll()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (!box || !box->isVisible() || box->property("closedByTest").toBool())
            continue;
        box->setProperty("closedByTest", true);
        SeenBox seen;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.buttons = box->standardButtons();
        seen.defaultButton = box->defaultButton() ? box->standardButton(box->defaultButton()) : QMessageBox::NoButton;
        seen.parent = box->parentWidget();
        seen.hadParent = box->parentWidget() != nullptr;
        seen.picture = box->iconPixmap().toImage();
        seen.buttonCount = box->buttons().size();
        seen.applicationModal = box->windowModality() == Qt::ApplicationModal;
        m_seen.append(seen);

        QAbstractButton *button = nullptr;
        if (!m_answers.isEmpty())
            button = box->button(m_answers.takeFirst());
        if (!button)
            button = box->escapeButton();
        if (!button)
            button = box->button(QMessageBox::Ok);
        if (button)
            button->click();
        else
            box->done(0);
    }
}
