// Makes manual.pdf at build time from manual.md: Qt's own Markdown reader and PDF writer, A4, the
// program's embedded font, page numbers, and pictures of the real window and entry dialog, taken now
// on the offscreen platform, so that the manual always shows the program as it is.
// Usage: makemanual <manual.md> <manual.pdf>
#include "app/applicationfont.h"
#include "history/historywindow.h"
#include "history/synclogfile.h"
#include "mainwindow/mainwindow.h"
#include "servers/editdialog.h"
#include "settings/settingspath.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QLabel>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTextDocument>

#include <cmath>
#include <cstdio>

namespace {

// An ntp.ini of loopback servers and target, so that taking the pictures reaches nothing.
const char sampleSettings[] = "[mainWindow]\nlocalPort=12345\nobjIp=127.0.0.1\nobjPort=12345\nserverListCurrent=0\n"
                              "[serverIplist]\n1\\serverList_0=127.0.0.1 1000 1000 0\n"
                              "2\\serverList_1=nts://localhost 1000 1000 0\nsize=2\n";

QImage windowPicture(const QString &folder)
{
    QFile settings(folder + QStringLiteral("/ntp.ini"));
    if (!settings.open(QIODevice::WriteOnly) || settings.write(sampleSettings) < 0)
        return QImage();
    settings.close();
    MainWindow window;
    window.show();
    // The line as a sync leaves it; the server on loopback may not be there to answer.
    window.findChild<QLabel *>(QStringLiteral("label_syncinfo"))
        ->setText(QObject::tr("同步时间成功！时延%1ms 偏差%2ms").arg(1).arg(-3));
    QApplication::processEvents();
    return window.grab().toImage();
}

QImage dialogPicture()
{
    QComboBox servers;
    EditDialog dialog(0, &servers);
    dialog.setIp(QStringLiteral("ntp.example.cn"));
    dialog.setLimit(QStringLiteral("1000"));
    dialog.setCycle(QStringLiteral("1000"));
    dialog.show();
    QApplication::processEvents();
    return dialog.grab().toImage();
}

// A day of the record of 127.0.0.1, a sync every ten minutes, with an hour in which it did not answer.
void writeSampleRecord(const QString &folder)
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch(), step = 10 * 60000;
    for (int i = 144; i >= 0; --i) {
        SyncReport report{SyncOutcome::NoAnswer, QStringLiteral("127.0.0.1"), QString()};
        if (i < 100 || i > 106) {
            const qint64 offsetUs = qint64(1500 * std::sin(i / 9.0)) + (i * 37 % 400) - 200,
                         delayUs = 800 + i * 53 % 500;
            report = {SyncOutcome::Synced, QStringLiteral("127.0.0.1"),
                      QObject::tr("同步时间成功！时延%1ms 偏差%2ms").arg(delayUs / 1000).arg(offsetUs / 1000)};
            report.offsetNs = offsetUs * 1000;
            report.delayNs = delayUs * 1000;
            report.clockSet = true;
        }
        SyncLogRow row = synclog::stamped(report);
        row.timeMs = now - i * step;
        synclogfile::append(folder, synclog::csvLine(row));
    }
}

QImage historyPicture(const QString &folder)
{
    writeSampleRecord(folder);
    SyncHistoryWindow window(folder, nullptr);
    window.open();
    window.resize(600, 560); // no wider than the page
    QApplication::processEvents();
    return window.grab().toImage();
}

void addPicture(QTextDocument &document, const QString &name, const QImage &picture)
{
    document.addResource(QTextDocument::ImageResource, QUrl(name), picture);
}

// Qt lays the document out on A4 and numbers the pages.
bool writePdf(QTextDocument &document, const QString &path)
{
    QPdfWriter pdf(path);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setResolution(300);
    pdf.setTitle(QObject::tr("Chronvale操作手册"));
    document.print(&pdf);
    return QFileInfo(path).size() > 0;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QFile markdown(argc == 3 ? QString::fromLocal8Bit(argv[1]) : QString());
    QTemporaryDir folder;
    if (!markdown.open(QIODevice::ReadOnly) || !folder.isValid()) {
        std::fprintf(stderr, "usage: makemanual <manual.md> <manual.pdf>\n");
        return 2;
    }
    useEmbeddedFont();
    // Everything the window writes stays in a folder of its own.
    setSettingsDirectoryOverride(folder.path());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder.path()));
    QTextDocument document;
    QFont font = QApplication::font();
    font.setPointSize(11);
    document.setDefaultFont(font);
    document.setMarkdown(QString::fromUtf8(markdown.readAll()));
    addPicture(document, QStringLiteral("window.png"), windowPicture(folder.path()));
    addPicture(document, QStringLiteral("dialog.png"), dialogPicture());
    QDir(folder.path()).mkdir(QStringLiteral("history"));
    addPicture(document, QStringLiteral("history.png"), historyPicture(folder.filePath(QStringLiteral("history"))));
    if (!writePdf(document, QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "makemanual: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
