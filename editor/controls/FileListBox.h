#pragma once
// The file list control: the files of one folder, sorted by name. With no
// pattern set it lists every file (hidden ones excepted, as on the host).
// Click is signalled when the user picks a file with the mouse or keys.
#include "PropertyStatus.h"

#include <QListWidget>

class FileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent = nullptr);

    QString path() const { return m_path; }
    // Lists the folder's files; nothing is selected afterwards. A folder
    // that cannot be listed is refused and the list stays as it was.
    PropertyStatus setPath(const QString& path);
    // Re-reads the folder.
    void refresh();

    // The selected file's name, without folder; empty when none is selected.
    QString fileName() const;
    // Selects a listed file by name, as a click would, and signals Click.
    bool selectFile(const QString& name);

signals:
    void Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString m_path;
};
