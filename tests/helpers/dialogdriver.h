#pragma once

#include <QApplication>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

// Waits for a window that code under test runs modally (exec()), then acts on it once from
// inside that window's event loop. Whatever the action leaves open is closed afterwards, so a
// failed check inside the action cannot leave exec() waiting forever.
class DialogDriver : public QObject
{
    Q_OBJECT
public:
    using Finder = std::function<QWidget *()>;
    using Action = std::function<void(QWidget *)>;

    DialogDriver(Finder finder, Action action, QObject *parent = nullptr);

    bool ran() const { return m_ran; }
    bool leftOpen() const { return m_leftOpen; }

private slots:
    void poll();

private:
    Finder m_finder;
    Action m_action;
    QTimer m_timer;
    bool m_ran = false;
    bool m_leftOpen = false;
};

// The first visible top-level window of class T, or null.
template <typename T>
T *visibleTopLevel()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<T *>(widget); window && window->isVisible())
            return window;
    }
    return nullptr;
}

// When a window of class T shows, run the action on it.
template <typename T>
DialogDriver *whenShown(std::function<void(T *)> action, QObject *parent = nullptr)
{
    return new DialogDriver([] { return visibleTopLevel<T>(); },
                            [action](QWidget *widget) { action(static_cast<T *>(widget)); }, parent);
}
