#pragma once
// The directory list control: the current folder with the folders above it,
// one line each from the root down, then the folders inside it. A
// double-click (or Enter) on a line makes that folder current.
#include "PropertyStatus.h"

#include <QListWidget>

class DirListBox : public QListWidget {
    Q_OBJECT
public:
    explicit DirListBox(QWidget* parent = nullptr);

    QString path() const { return m_path; }
    // Makes path current and signals Change when it differs from the old
    // one. A folder that does not exist or cannot be listed is refused and
    // the list stays as it was.
    PropertyStatus setPath(const QString& path);

    // The folder shown on a line.
    QString pathAt(int row) const;

signals:
    void Change();
    // The user tried to open a folder that cannot be listed.
    void PathRefused(const QString& folder);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fill();
    void openRow(int row);
    void open(const QString& folder);

    QString m_path;
};
