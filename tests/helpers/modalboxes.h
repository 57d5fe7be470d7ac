#pragma once

#include <QImage>
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

// What a message box showed when it was closed.
struct SeenBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QPointer<QWidget> parent;
    bool hadParent = false;
    QImage picture;
    int buttonCount = 0;
    bool applicationModal = false;
};

// Closes every message box that opens while it lives, records it, and answers it
// with the next queued button (or the box's escape button, or OK, when none is queued).
class ModalBoxCloser : public QObject
{
    Q_OBJECT
public:
    explicit ModalBoxCloser(QObject *parent = nullptr);

    void answerNext(QMessageBox::StandardButton button) { m_answers.append(button); }
    const QList<SeenBox> &seen() const { return m_seen; }
    int count() const { return m_seen.size(); }
    SeenBox last() const { return m_seen.isEmpty() ? SeenBox() : m_seen.last(); }
    void clear() { m_seen.clear(); }

private slots:
    void poll();

private:
    QTimer m_timer;
    QList<QMessageBox::StandardButton> m_answers;
    QList<SeenBox> m_seen;
};
