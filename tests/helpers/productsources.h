#pragma once

#include <QDirIterator>
#include <QStringList>

// The program's own sources, where its texts are: not the tests, the benchmarks or a build folder.
inline QStringList productSources(const QStringList &patterns)
{
    QStringList paths;
    for (QDirIterator it(CHRONVALE_SOURCE_DIR, patterns, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next(), inside = QDir(CHRONVALE_SOURCE_DIR).relativeFilePath(path);
        if (!inside.startsWith("tests/") && !inside.startsWith("bench/") && !inside.startsWith("build")
            && !inside.startsWith('.'))
            paths << path;
    }
    return paths;
}
