// The freedesktop.org autostart entry: where it goes, what it holds, and how the program's
// path survives the Exec quoting and the string escapes of a desktop entry.
#include "platform/autostart.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString name = QStringLiteral("razudori");

QStringList entryLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString valueOf(const QStringList &lines, const QString &key)
{
    const QStringList found = lines.filter(QRegularExpression(QLatin1Char('^') + key + QLatin1Char('=')));
    return found.size() == 1 ? found.first().mid(key.size() + 1) : QStringLiteral("<%1 entries>").arg(found.size());
}

// Reads an Exec value back the way a desktop does: string escapes first, then the quoting of one
// argument, then the doubled percent sign. Written independently of the program's encoder.
QString decodedSingleArgument(const QString &value)
{
    QString unescaped;
    for (int i = 0; i < value.size(); ++i) {
        if (value[i] != QLatin1Char('\\') || i + 1 == value.size()) {
            unescaped += value[i];
            continue;
        }
        const QChar next = value[++i];
        const QHash<QChar, QChar> escapes = {{'s', ' '}, {'n', '\n'}, {'t', '\t'}, {'r', '\r'}, {'\\', '\\'}};
        unescaped += escapes.value(next, QChar());
    }
    if (unescaped.size() < 2 || !unescaped.startsWith(QLatin1Char('"')) || !unescaped.endsWith(QLatin1Char('"')))
        return QStringLiteral("<not one quoted argument>");
    QString argument;
    const QString inner = unescaped.mid(1, unescaped.size() - 2);
    for (int i = 0; i < inner.size(); ++i) {
        const QChar c = inner[i];
        if (c == QLatin1Char('"'))
            return QStringLiteral("<unescaped quote>");
        if (c == QLatin1Char('\\') && i + 1 < inner.size() && QStringLiteral("\"`$\\").contains(inner[i + 1]))
            argument += inner[++i];
        else if (c == QLatin1Char('%') && i + 1 < inner.size() && inner[i + 1] == QLatin1Char('%'))
            argument += inner[++i];
        else if (c == QLatin1Char('%'))
            return QStringLiteral("<field code>");
        else
            argument += c;
    }
    return argument;
}

} // namespace

class AutostartXdgTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void entryContent();
    void execQuoting_data();
    void execQuoting();
    void clearDisables();
    void registerAgainEnables();
    void folder_data();
    void folder();
    void unwritableFolderIsReported();

private:
    QString entryPath() const { return configHome->path() + QStringLiteral("/autostart/razudori.desktop"); }

    QScopedPointer<QTemporaryDir> configHome;
    QByteArray savedConfigHome;
    QByteArray savedHome;
};

void AutostartXdgTest::init()
{
    savedConfigHome = qgetenv("XDG_CONFIG_HOME");
    savedHome = qgetenv("HOME");
    configHome.reset(new QTemporaryDir);
    QVERIFY(configHome->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome->path()));
}

void AutostartXdgTest::cleanup()
{
    qputenv("XDG_CONFIG_HOME", savedConfigHome);
    qputenv("HOME", savedHome);
}

void AutostartXdgTest::entryContent()
{
    QVERIFY(platform::registerStartAtLogon(name, QStringLiteral("/usr/local/bin/chronvale")));
    const QStringList lines = entryLines(entryPath());
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines.first(), QStringLiteral("[Desktop Entry]"));
    QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^\\["))).size(), 1);
    QCOMPARE(valueOf(lines, QStringLiteral("Type")), QStringLiteral("Application"));
    QCOMPARE(valueOf(lines, QStringLiteral("Name")), name);
    QCOMPARE(valueOf(lines, QStringLiteral("Exec")), QStringLiteral("\"/usr/local/bin/chronvale\""));
    QCOMPARE(valueOf(lines, QStringLiteral("Hidden")), QStringLiteral("false"));
    for (const QString &line : lines.mid(1))
        QVERIFY2(line.startsWith(QLatin1Char('#')) || line.contains(QLatin1Char('=')), qPrintable(line));
}

void AutostartXdgTest::execQuoting_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("exec");
    QTest::newRow("spaces") << "/opt/My Apps/chronvale" << R"("/opt/My Apps/chronvale")";
    QTest::newRow("double quote") << R"(/opt/a"b/chronvale)" << R"("/opt/a\\"b/chronvale")";
    QTest::newRow("backquote") << "/opt/a`b/chronvale" << R"("/opt/a\\`b/chronvale")";
    QTest::newRow("dollar") << "/opt/$HOME/chronvale" << R"("/opt/\\$HOME/chronvale")";
    QTest::newRow("percent") << "/opt/100%/%f" << R"("/opt/100%%/%%f")";
    QTest::newRow("backslash") << R"(/opt/a\b/chronvale)" << R"("/opt/a\\\\b/chronvale")";
    QTest::newRow("single quote and equals") << "/opt/it's=ok/chronvale" << R"("/opt/it's=ok/chronvale")";
    QTest::newRow("tab") << "/opt/a\tb/chronvale" << R"("/opt/a\tb/chronvale")";
    QTest::newRow("non-ASCII") << "/opt/时钟/chronvale" << R"("/opt/时钟/chronvale")";
    QTest::newRow("all at once") << R"(/tmp/ "$`\%/x)" << R"("/tmp/ \\"\\$\\`\\\\%%/x")";
}

void AutostartXdgTest::execQuoting()
{
    QFETCH(QString, path);
    QFETCH(QString, exec);
    QVERIFY(platform::registerStartAtLogon(name, path));
    const QString written = valueOf(entryLines(entryPath()), QStringLiteral("Exec"));
    QCOMPARE(written, exec);
    QCOMPARE(decodedSingleArgument(written), path);
}

void AutostartXdgTest::clearDisables()
{
    QVERIFY(platform::registerStartAtLogon(name, QStringLiteral("/opt/chronvale/chronvale")));
    QVERIFY(platform::clearStartAtLogon(name));
    const QStringList lines = entryLines(entryPath());
    QCOMPARE(lines.value(0), QStringLiteral("[Desktop Entry]"));
    QCOMPARE(valueOf(lines, QStringLiteral("Hidden")), QStringLiteral("true"));
    QVERIFY(!lines.join(QLatin1Char('\n')).contains(QStringLiteral("chronvale")));
}

void AutostartXdgTest::registerAgainEnables()
{
    QVERIFY(platform::clearStartAtLogon(name));
    QVERIFY(platform::registerStartAtLogon(name, QStringLiteral("/new/place/chronvale")));
    const QStringList lines = entryLines(entryPath());
    QCOMPARE(valueOf(lines, QStringLiteral("Hidden")), QStringLiteral("false"));
    QCOMPARE(valueOf(lines, QStringLiteral("Exec")), QStringLiteral("\"/new/place/chronvale\""));
}

// XDG_CONFIG_HOME when it is an absolute path; otherwise ~/.config.
void AutostartXdgTest::folder_data()
{
    QTest::addColumn<QString>("configHomeValue");
    QTest::addColumn<bool>("usesHome");
    QTest::newRow("absolute") << "<temp>" << false;
    QTest::newRow("unset") << QString() << true;
    QTest::newRow("relative") << "relative/config" << true;
}

void AutostartXdgTest::folder()
{
    QFETCH(QString, configHomeValue);
    QFETCH(bool, usesHome);
    QTemporaryDir home;
    QVERIFY(home.isValid());
    qputenv("HOME", QFile::encodeName(home.path()));
    if (configHomeValue.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else if (configHomeValue != QLatin1String("<temp>"))
        qputenv("XDG_CONFIG_HOME", configHomeValue.toUtf8());

    QVERIFY(platform::registerStartAtLogon(name, QStringLiteral("/usr/bin/chronvale")));
    const QString inHome = home.path() + QStringLiteral("/.config/autostart/razudori.desktop");
    QCOMPARE(QFile::exists(inHome), usesHome);
    QCOMPARE(QFile::exists(entryPath()), !usesHome);
    QVERIFY(!QFile::exists(QStringLiteral("relative/config/autostart/razudori.desktop")));
}

void AutostartXdgTest::unwritableFolderIsReported()
{
    // A plain file where the configuration folder should be: nothing can be created below it.
    const QString blocker = configHome->path() + QStringLiteral("/file");
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(blocker));
    QVERIFY(!platform::registerStartAtLogon(name, QStringLiteral("/usr/bin/chronvale")));
    QVERIFY(!platform::clearStartAtLogon(name));
}

QTEST_GUILESS_MAIN(AutostartXdgTest)
#include "tst_autostart_xdg.moc"
