// The large clock's texts, its once-a-second wake-up, and the status bar beneath it.
#include "desktop/clockface.h"
#include "helpers/loopbacksettings.h"
#include "helpers/mainwindowprobe.h"

#include <QDeadlineTimer>
#include <QLabel>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

QDateTime at(const char *text)
{
    return QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
}

QString timeMarkup(const char *time)
{
    return QStringLiteral("<font style = 'font-size:65px;'>%1</font>").arg(QLatin1String(time));
}

QString dateMarkup(const char *date)
{
    return QStringLiteral("<font style = 'font-size:46px;'>%1</font>").arg(QLatin1String(date));
}

} // namespace

class ClockDisplayTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void texts_data();
    void texts();
    void displayTurnsWithTheSecond_data();
    void displayTurnsWithTheSecond();
    void wakeUpJustAfterNextSecond_data();
    void wakeUpJustAfterNextSecond();
    void windowShowsNowAndRearms();
    void timerServesTheDisplay();
    void statusBarLabels();

private:
    QTemporaryDir settingsDir;
    std::unique_ptr<MainWindow> window;
};

void ClockDisplayTest::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    useLoopbackSettings(settingsDir.path());
    window = std::make_unique<MainWindow>();
}

void ClockDisplayTest::cleanupTestCase()
{
    window.reset();
}

void ClockDisplayTest::texts_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("date");
    QTest::newRow("midnight") << at("2024-01-01 00:00:00.000") << timeMarkup("00:00:00") << dateMarkup("2024/01/01");
    QTest::newRow("last moment of the day") << at("2023-12-31 23:59:59.999") << timeMarkup("23:59:59") << dateMarkup("2023/12/31");
    QTest::newRow("afternoon is 24-hour") << at("2024-02-29 13:05:09.500") << timeMarkup("13:05:09") << dateMarkup("2024/02/29");
    QTest::newRow("year with leading zero") << at("0999-07-04 09:08:07.000") << timeMarkup("09:08:07") << dateMarkup("0999/07/04");
}

void ClockDisplayTest::texts()
{
    QFETCH(QDateTime, now);
    QFETCH(QString, time);
    QFETCH(QString, date);
    QVERIFY(now.isValid());
    QCOMPARE(clockTimeText(now), time);
    QCOMPARE(clockDateText(now), date);
}

void ClockDisplayTest::displayTurnsWithTheSecond_data()
{
    QTest::addColumn<QDateTime>("before");
    QTest::addColumn<bool>("dateTurns");
    QTest::newRow("within a minute") << at("2024-05-06 10:20:30.999") << false;
    QTest::newRow("at midnight the date turns too") << at("2024-05-06 23:59:59.999") << true;
    QTest::newRow("at new year") << at("2024-12-31 23:59:59.998") << true;
}

// Where the wake-up lands, the display shows the new second (and at midnight the new date),
// while the moment before the turn still shows the old one.
void ClockDisplayTest::displayTurnsWithTheSecond()
{
    QFETCH(QDateTime, before);
    QFETCH(bool, dateTurns);
    const QDateTime wake = before.addMSecs(msToNextSecond(before));
    QCOMPARE(wake.time().second(), (before.time().second() + 1) % 60);
    QVERIFY(clockTimeText(wake) != clockTimeText(before));
    QCOMPARE(clockTimeText(wake), clockTimeText(before.addMSecs(1000 - before.time().msec())));
    QCOMPARE(clockDateText(wake) != clockDateText(before), dateTurns);
}

void ClockDisplayTest::wakeUpJustAfterNextSecond_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<int>("delay");
    QTest::newRow("exactly at a turn: the next one") << at("2024-05-06 10:20:30.000") << 1001;
    QTest::newRow("just after a turn") << at("2024-05-06 10:20:30.001") << 1000;
    QTest::newRow("half way") << at("2024-05-06 10:20:30.500") << 501;
    QTest::newRow("just before a turn") << at("2024-05-06 10:20:30.999") << 2;
    QTest::newRow("two before a turn") << at("2024-05-06 10:20:30.998") << 3;
}

void ClockDisplayTest::wakeUpJustAfterNextSecond()
{
    QFETCH(QDateTime, now);
    QFETCH(int, delay);
    QCOMPARE(msToNextSecond(now), delay);
    // Lands 1 ms past the turn, in the second after the one shown.
    const QDateTime wake = now.addMSecs(delay);
    QCOMPARE(wake.time().msec(), 1);
    QCOMPARE(wake.time().second(), (now.time().second() + 1) % 60);
}

void ClockDisplayTest::windowShowsNowAndRearms()
{
    MainWindowProbe probe(*window);
    const QDateTime before = QDateTime::currentDateTime();
    probe.DoClock();
    const QDateTime after = QDateTime::currentDateTime();

    const QString shownTime = probe.ui()->label_hhmmss->text();
    QVERIFY2(shownTime == clockTimeText(before) || shownTime == clockTimeText(after), qPrintable(shownTime));
    const QString shownDate = probe.ui()->label_yymmdd->text();
    QVERIFY(shownDate == clockDateText(before) || shownDate == clockDateText(after));

    QTimer *timer = probe.clockTimer();
    QVERIFY(timer->isActive());
    QVERIFY(timer->isSingleShot());
    QCOMPARE(timer->timerType(), Qt::PreciseTimer);
    QVERIFY(timer->interval() >= msToNextSecond(after) && timer->interval() <= msToNextSecond(before));
}

// Driven by its timer alone, the display follows the clock through several seconds.
void ClockDisplayTest::timerServesTheDisplay()
{
    MainWindowProbe probe(*window);
    QLabel *label = probe.ui()->label_hhmmss;
    QStringList seen{label->text()};
    QSignalSpy wakeUps(probe.clockTimer(), &QTimer::timeout);
    QDeadlineTimer deadline(10000);
    while (seen.size() < 4 && !deadline.hasExpired()) {
        QTest::qWait(5);
        if (label->text() != seen.last())
            seen << label->text();
    }
    QCOMPARE(seen.size(), 4);
    const auto shownTime = [](QString markup) {
        return QTime::fromString(markup.remove(QRegularExpression(QStringLiteral("<[^>]*>"))), QStringLiteral("hh:mm:ss"));
    };
    for (int i = 2; i < seen.size(); ++i) {
        QVERIFY(shownTime(seen.at(i)).isValid());
        // One second on; two when the machine stalled past a whole second (midnight wraps).
        const int step = (shownTime(seen.at(i - 1)).secsTo(shownTime(seen.at(i))) + 86400) % 86400;
        QVERIFY2(step == 1 || step == 2, qPrintable(seen.join(QLatin1Char('|'))));
    }
    // About one wake-up a second, not a thousand.
    QVERIFY(wakeUps.count() >= 3);
    QVERIFY2(wakeUps.count() < 30, qPrintable(QString::number(wakeUps.count())));
    QVERIFY(probe.clockTimer()->isActive());
}

void ClockDisplayTest::statusBarLabels()
{
    MainWindowProbe probe(*window);
    QStatusBar *bar = probe.mainStatusBar();
    QCOMPARE(bar, window->statusBar());
    QCOMPARE(bar->styleSheet(), QStringLiteral("QStatusBar::item{border: 0px}"));

    QLabel *left = probe.statusLabel();
    QVERIFY(left);
    QCOMPARE(left->parentWidget(), static_cast<QWidget *>(bar));
    QCOMPARE(left->text(), QStringLiteral("Chronvale"));
    QCOMPARE(left->minimumSize(), QSize(150, 20));
    QCOMPARE(left->alignment(), Qt::Alignment(Qt::AlignHCenter));

    QLabel *maker = nullptr;
    const QList<QLabel *> labels = bar->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly);
    for (QLabel *label : labels)
        if (label->text() == QStringLiteral("Vantrel"))
            maker = label;
    QVERIFY(maker);
    QCOMPARE(maker->minimumSize(), QSize(150, 20));
    QCOMPARE(maker->alignment(), Qt::Alignment(Qt::AlignHCenter));

    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    // A message that fills the bar's normal area hides the left label but never the permanent one.
    bar->showMessage(QStringLiteral("temporary"));
    QVERIFY(maker->isVisible());
    QVERIFY(!left->isVisible());
    bar->clearMessage();
    QVERIFY(left->isVisible());
    QVERIFY(maker->geometry().left() > left->geometry().right());
}

QTEST_MAIN(ClockDisplayTest)
#include "tst_clock_display.moc"
