#include "helpers/dialogdriver.h"

DialogDriver::DialogDriver(Finder finder, Action action, QObject *parent)
    : QObject(parent), m_finder(std::move(finder)), m_action(std::move(action))
{
    connect(&m_timer, &QTimer::timeout, this, &DialogDriver::poll);
    m_timer.start(10);
}

void DialogDriver::poll()
{
    QWidget *window = m_finder();
    if (!window)
        return;
    m_timer.stop();
    m_ran = true;
    QPointer<QWidget> guard(window);
    m_action(window);
    if (guard && guard->isVisible()) {
        m_leftOpen = true;
        guard->close();
    }
}
