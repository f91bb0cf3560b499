#include "player/app/window/SceneWatcher.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

SceneWatcher::SceneWatcher(QObject* parent)
    : QObject(parent)
{
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, &SceneWatcher::settled);
    // Every signal only restarts the wait; what changed is judged once it is over.
    const auto wait = [this] { settle_.start(); };
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, wait);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, wait);
}

bool SceneWatcher::Stamp::operator!=(const Stamp& other) const
{
    return exists != other.exists || device != other.device || inode != other.inode || size != other.size
        || modifiedNs != other.modifiedNs;
}

SceneWatcher::Stamp SceneWatcher::stampOf(const std::string& path)
{
    Stamp stamp;
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0)
        return stamp;
    stamp.exists = true;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.modifiedNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return stamp;
}

void SceneWatcher::Watch(const std::vector<std::string>& files)
{
    if (!watcher_.files().isEmpty())
        watcher_.removePaths(watcher_.files());
    if (!watcher_.directories().isEmpty())
        watcher_.removePaths(watcher_.directories());
    settle_.stop();
    files_ = files;
    stamps_.clear();
    for (const std::string& file : files_)
        stamps_[file] = stampOf(file);
    rewatch();
}

void SceneWatcher::rewatch()
{
    for (const std::string& file : files_) {
        const QString path = QFile::decodeName(file.c_str());
        const QString directory = QFileInfo(path).absolutePath();
        if (!watcher_.directories().contains(directory))
            watcher_.addPath(directory);
        // A file replaced by another of its name is watched no more; watch the new one.
        if (QFileInfo::exists(path) && !watcher_.files().contains(path))
            watcher_.addPath(path);
    }
}

void SceneWatcher::settled()
{
    // A file that is gone has nothing to load yet; its return is the change that counts.
    bool changed = false;
    for (const std::string& file : files_) {
        const Stamp now = stampOf(file);
        if (now != stamps_[file]) {
            stamps_[file] = now;
            changed = changed || now.exists;
        }
    }
    rewatch();
    if (changed)
        emit Changed();
}
