// manual.pdf, as the build made it: it holds every message the program's sources can show, so that a new
// message without its line in the manual fails here, and the time datagram as the program writes it.
#include "helpers/productsources.h"
#include "udpout/timemessage_format.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

class TestManual : public QObject
{
    Q_OBJECT
private slots:
    void explainsEveryMessage()
    {
        QProcess pdftotext;
        pdftotext.start("pdftotext", {CHRONVALE_MANUAL, "-"});
        QVERIFY(pdftotext.waitForFinished(30000) && pdftotext.exitCode() == 0);
        // Lines break anywhere in Chinese text, so blanks count for nothing on either side.
        const QString manual = QString::fromUtf8(pdftotext.readAllStandardOutput()).remove(QRegularExpression("\\s"));
        const QRegularExpression literal(
            "\\b(?:tr|translate)\\(\\s*(?:\"[^\"]*\"\\s*,\\s*)?\"((?:[^\"\\\\]|\\\\.)+)\"");
        int messages = 0;
        for (const QString &path : productSources({"*.cpp", "*.h"})) {
            QFile source(path);
            QVERIFY(source.open(QIODevice::ReadOnly));
            for (auto found = literal.globalMatch(QString::fromUtf8(source.readAll())); found.hasNext();) {
                const QString message = found.next().captured(1).remove(QRegularExpression("\\s"));
                if (message.startsWith('<'))
                    continue; // markup, not a message
                const QString pattern =
                    QRegularExpression::escape(message).replace(QRegularExpression("\\\\%\\d"), ".{0,40}?");
                QVERIFY2(manual.contains(QRegularExpression(pattern)), qPrintable(path + ": " + message));
                ++messages;
            }
        }
        QVERIFY(messages > 50);
        const QDateTime example(QDate(2026, 12, 6), QTime(10, 25, 31));
        QVERIFY(manual.contains(QString::fromLatin1(timemessage::datagram("A,", example)).remove(' ')));
    }
};

QTEST_GUILESS_MAIN(TestManual)
#include "tst_manual.moc"
