#pragma once
// The drive list control: the volumes mounted on this machine, one line
// each, the current one shown. Drive is the selected volume's root folder.
#include <QComboBox>
#include <QStringList>

class DriveListBox : public QComboBox {
    Q_OBJECT
public:
    explicit DriveListBox(QWidget* parent = nullptr);

    // Re-reads the mounted volumes; the current drive stays when it is
    // still mounted.
    void refresh();
    // Lists exactly these root folders instead (tests, or a caller that
    // knows better); the current drive stays when it is among them.
    void setVolumes(const QStringList& roots);
    QStringList volumes() const;

    // The selected volume's root folder, or empty when none is listed.
    QString drive() const;
    // Selects the volume that holds path (the longest root that contains
    // it). Does not signal Change. False when no listed volume holds it.
    bool setDrive(const QString& path);

    // The volumes mounted here, real file systems only, sorted by root.
    static QStringList mountedVolumes();

signals:
    // Another volume was picked (by the user, or by setting the current
    // index from outside).
    void Change();
};
