// Every character the program can show must be in the font it carries, or it shows boxes.
#include "app/applicationfont.h"

#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QFontDatabase>
#include <QRawFont>
#include <QSet>
#include <QtTest>

class FontCoverageTest : public QObject
{
    Q_OBJECT
private slots:
    void everyShownCharacterIsInTheEmbeddedFont();
    void embeddedFontIsTheDefaultAtTenPoints();
};

static QSet<uint> nonAsciiCharactersOfTheSources()
{
    QSet<uint> found;
    const QStringList folders = {"app", "mainwindow", "forms", "sync", "servers", "settings", "udpout", "desktop"};
    for (const QString &folder : folders) {
        QDirIterator it(QStringLiteral(CHRONVALE_SOURCE_DIR "/") + folder, {"*.cpp", "*.h", "*.ui"},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (!file.open(QIODevice::ReadOnly))
                continue;
            for (uint code : QString::fromUtf8(file.readAll()).toUcs4())
                if (code > 0x7f)
                    found.insert(code);
        }
    }
    return found;
}

void FontCoverageTest::everyShownCharacterIsInTheEmbeddedFont()
{
    QFile fontFile(QStringLiteral(":/msyh.ttf"));
    QVERIFY(fontFile.open(QIODevice::ReadOnly));
    const QRawFont font(fontFile.readAll(), 12);
    QVERIFY(font.isValid());

    const QSet<uint> shown = nonAsciiCharactersOfTheSources();
    QVERIFY2(shown.size() > 50, "the sources' Chinese texts were not found");
    QString missing;
    for (uint code : shown)
        if (!font.supportsCharacter(code))
            missing += QString::fromUcs4(&code, 1);
    QVERIFY2(missing.isEmpty(), qPrintable("not in the font (run scripts/make-resources.sh): " + missing));
}

void FontCoverageTest::embeddedFontIsTheDefaultAtTenPoints()
{
    useEmbeddedFont();
    const QFont font = QApplication::font();
    QCOMPARE(font.pointSize(), 10);
    const QStringList families = QFontDatabase().families();
    QVERIFY(families.contains(font.family()));
    QVERIFY(QRawFont::fromFont(font).supportsCharacter(QChar(0x540C))); // 同
}

QTEST_MAIN(FontCoverageTest)
#include "tst_font_coverage.moc"
