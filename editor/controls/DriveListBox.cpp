#include "DriveListBox.h"

#include <QDir>
#include <QSignalBlocker>
#include <QStorageInfo>

#include <algorithm>

DriveListBox::DriveListBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    // Only a new choice is a change; the list's own updates are silent.
    connect(this, &QComboBox::currentIndexChanged, this, [this](int) { emit Change(); });
    refresh();
}

QStringList DriveListBox::mountedVolumes()
{
    QStringList roots;
    static const QByteArrayList pseudo = {"proc",    "sysfs",   "devpts",      "cgroup",    "cgroup2",    "mqueue",
                                          "debugfs", "tracefs", "bpf",         "configfs",  "securityfs", "pstore",
                                          "autofs",  "fusectl", "binfmt_misc", "hugetlbfs", "efivarfs"};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        // Kernel interfaces hold no pictures. A volume that is not ready (no
        // medium) is still listed, as a drive without a disk would be.
        if (!volume.isValid() || pseudo.contains(volume.fileSystemType()))
            continue;
        if (!roots.contains(volume.rootPath()))
            roots << volume.rootPath();
    }
    if (roots.isEmpty())
        roots << QDir::rootPath();
    std::sort(roots.begin(), roots.end());
    return roots;
}

void DriveListBox::refresh() { setVolumes(mountedVolumes()); }

void DriveListBox::setVolumes(const QStringList& roots)
{
    const QString previous = drive();
    const QSignalBlocker quiet(this);
    clear();
    for (const QString& root : roots)
        addItem(QDir::toNativeSeparators(root), root);
    const int again = findData(previous);
    setCurrentIndex(again >= 0 ? again : (count() > 0 ? 0 : -1));
}

QStringList DriveListBox::volumes() const
{
    QStringList roots;
    for (int i = 0; i < count(); ++i)
        roots << itemData(i).toString();
    return roots;
}

QString DriveListBox::drive() const { return currentIndex() >= 0 ? currentData().toString() : QString(); }

bool DriveListBox::setDrive(const QString& path)
{
    const QString clean = QDir::cleanPath(path);
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < count(); ++i) {
        const QString root = QDir::cleanPath(itemData(i).toString());
        const bool holds = clean == root || root == QLatin1String("/") || clean.startsWith(root + QLatin1Char('/'));
        if (holds && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    if (best < 0)
        return false;
    const QSignalBlocker quiet(this);
    setCurrentIndex(best);
    return true;
}
