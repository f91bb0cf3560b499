#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <map>
#include <string>
#include <vector>

// Watches the files of a scene (the file loaded and the definition files it includes) and says once
// when any of them has changed, after the writing has settled.
//
// Editors that save by writing a new file and renaming it over the old one replace the watched file,
// and the system's watch goes with the old one; so the directories are watched too, every file that is
// there again is watched anew, and a change is judged by each file's identity, size and time, not by
// which watch fired.
class SceneWatcher : public QObject {
    Q_OBJECT
public:
    // How long the files must be left alone before a change counts: an editor may write in pieces.
    static constexpr int kSettleMs = 150;

    explicit SceneWatcher(QObject* parent = nullptr);

    // Watches these files from now on, instead of any before, as they are now.
    void Watch(const std::vector<std::string>& files);
    const std::vector<std::string>& Files() const { return files_; }

signals:
    void Changed();

private:
    struct Stamp {
        bool exists = false;
        unsigned long long device = 0;
        unsigned long long inode = 0;
        long long size = 0;
        long long modifiedNs = 0;
        bool operator!=(const Stamp& other) const;
    };
    static Stamp stampOf(const std::string& path);
    void settled();
    void rewatch();

    QFileSystemWatcher watcher_;
    QTimer settle_;
    std::vector<std::string> files_;
    std::map<std::string, Stamp> stamps_;
};
