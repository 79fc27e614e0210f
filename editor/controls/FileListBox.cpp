#include "FileListBox.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemClicked, this, [this] { emit Click(); });
}

PropertyStatus FileListBox::setPath(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir() || !QDir(path).isReadable())
        return PropertyStatus::InvalidValue;
    m_path = QDir::cleanPath(info.absoluteFilePath());
    refresh();
    return PropertyStatus::Ok;
}

void FileListBox::refresh()
{
    clear();
    const QDir dir(m_path);
    addItems(dir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware));
    setCurrentRow(-1);
}

QString FileListBox::fileName() const
{
    const QList<QListWidgetItem*> chosen = selectedItems();
    return chosen.isEmpty() ? QString() : chosen.constFirst()->text();
}

bool FileListBox::selectFile(const QString& name)
{
    const QList<QListWidgetItem*> found = findItems(name, Qt::MatchExactly);
    if (found.isEmpty())
        return false;
    setCurrentItem(found.constFirst());
    emit Click();
    return true;
}

void FileListBox::keyPressEvent(QKeyEvent* event)
{
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    // Stepping through the list with the keys picks each file in turn.
    if (currentRow() != before && currentRow() >= 0)
        emit Click();
}
