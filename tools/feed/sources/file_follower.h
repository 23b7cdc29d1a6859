// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <functional>

namespace vantrel::feed {

// Follows one file a source reads: says `changed` 100 ms after the first change of a burst, so that a writer
// that truncates and then writes is read whole, and one that never stops is still read. The file's folder
// is watched too: a file replaced by a rename is a new file the watcher no longer follows, and a file that
// is gone can only come back as a change of its folder.
class FileFollower : public QObject
{
public:
    FileFollower(QString path, std::function<void()> changed, QObject *parent = nullptr);

    // Watches the folder and the file.
    void start();
    // Watches the path afresh: after a rename it names another file than the one watched.
    void rewatch();

private:
    QString m_path;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
};

} // namespace vantrel::feed
