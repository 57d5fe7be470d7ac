#include "helpers/support.h"

#include "settings/settingspath.h"

#include <QAbstractButton>
#include <QNetworkInterface>

#include <cstdio>

ModalBoxes::ModalBoxes(QObject *parent) : QObject(parent)
{
    connect(&timer, &QTimer::timeout, this, [this] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            seen.append(box->windowTitle() + '|' + box->text());
            if (logToStderr)
                std::fprintf(stderr, "BOX|%s\n", qUtf8Printable(seen.last()));
            const bool answered = !answers.isEmpty() && box->button(answers.first());
            (answered              ? box->button(answers.takeFirst())
             : box->escapeButton() ? box->escapeButton()
                                   : box->button(QMessageBox::Ok))
                ->click();
        }
    });
    timer.start(10);
}

QByteArray iniText(const QStringList &entries, int current)
{
    QByteArray text = "[mainWindow]\nlocalPort=9527\nobjIp=127.0.0.1\nobjPort=9\nserverListCurrent="
                      + QByteArray::number(current) + "\n[serverIplist]\n";
    for (int i = 0; i < entries.size(); ++i)
        text += QByteArray::number(i + 1) + "\\serverList_" + QByteArray::number(i) + "=" + entries[i].toUtf8() + "\n";
    return text + "size=" + QByteArray::number(entries.size()) + "\n";
}

// The program's settings and its start at logon entry go into the test's folder. A window asks
// servers at once, so it is only built where loopback is all there is (tests/netns-run.sh).
static QString placeSettings(const QString &folder, const QByteArray &ini)
{
    for (const QNetworkInterface &interface : QNetworkInterface::allInterfaces())
        if (!interface.flags().testFlag(QNetworkInterface::IsLoopBack))
            qFatal("a test window runs only in a network namespace of its own (tests/netns-run.sh)");
    setSettingsDirectoryOverride(folder);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder));
    if (!ini.isNull())
        writeAll(folder + "/ntp.ini", ini);
    return folder + "/ntp.ini";
}

TestWindow::TestWindow(const QByteArray &ini) : iniPath(placeSettings(dir.path(), ini)) {}

void startCopy(QProcess &process, const QTemporaryDir &dir, const QStringList &arguments,
               const QStringList &environment)
{
    if (!QFile::exists(dir.filePath("ntp.ini")))
        writeAll(dir.filePath("ntp.ini"), iniText({"127.0.0.1 100 1000 0"}));
    const QString program = dir.filePath(QFileInfo(CHRONVALE_TESTBUILD).fileName().replace("_testbuild", ""));
    QFile::copy(CHRONVALE_TESTBUILD, program);
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const QString &variable : QStringList{"TMPDIR=" + dir.path(), "CHRONVALE_AUTOCLOSE_BOXES=1"} + environment)
        variables.insert(variable.section('=', 0, 0), variable.section('=', 1));
    process.setProcessEnvironment(variables);
    process.start(program, arguments);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QStringList entriesOf(const QComboBox *list)
{
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) {
        const QString entry = list->itemData(i).toString(), shown = list->itemText(i);
        entries << entry + (shown == entry.section(' ', 0, 0) ? "" : " <shown as " + shown + ">");
    }
    return entries;
}

QList<qint64> clockSetErrorsNs(const QString &recordPath, qint64 aheadMs)
{
    QList<qint64> errors;
    for (const QByteArray &line : readAll(recordPath).split('\n'))
        if (const QList<QByteArray> fields = line.split(' '); fields.size() == 2)
            errors.append(fields[0].toLongLong() - aheadMs * 1000000);
    return errors;
}
