#pragma once

#include <QDirIterator>
#include <QStringList>

// The program's own sources, where its texts are: not the tests, the benchmarks or a build folder.
inline QStringList productSources(const QStringList &patterns)
{
    QStringList paths;
    const QDir top(CHRONVALE_SOURCE_DIR); // hidden folders (.git, .deps) are not listed
    for (const QString &folder : top.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (folder != "tests" && folder != "bench" && !folder.startsWith("build"))
            for (QDirIterator it(top.filePath(folder), patterns, QDir::Files, QDirIterator::Subdirectories);
                 it.hasNext();)
                paths << it.next();
    return paths;
}
