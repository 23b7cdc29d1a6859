// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/file_follower.h"

#include <QFileInfo>

namespace vantrel::feed {

FileFollower::FileFollower(QString path, std::function<void()> changed, QObject *parent)
    : QObject(parent)
    , m_path(std::move(path))
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(100);
    connect(&m_settle, &QTimer::timeout, this, std::move(changed));
    const auto settle = [this] {
        if (!m_settle.isActive())
            m_settle.start();
    };
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, settle);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, settle);
}

void FileFollower::start()
{
    m_watcher.addPath(QFileInfo(m_path).absolutePath());
    rewatch();
}

void FileFollower::rewatch()
{
    m_watcher.removePath(m_path);
    if (QFileInfo::exists(m_path))
        m_watcher.addPath(m_path);
}

} // namespace vantrel::feed
