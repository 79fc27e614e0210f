#include "DirListBox.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>

DirListBox::DirListBox(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Opening a folder rebuilds the list, so it waits until the view has
    // finished with the item that was double-clicked.
    connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const QString folder = item->data(Qt::UserRole).toString();
        QMetaObject::invokeMethod(
            this, [this, folder] { open(folder); }, Qt::QueuedConnection);
    });
}

PropertyStatus DirListBox::setPath(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || !info.isDir())
        return PropertyStatus::InvalidValue;
    const QString clean = QDir::cleanPath(info.absoluteFilePath());
    // Listing is the test of readability: a folder that exists but cannot be
    // opened (no medium, no permission) is refused like a missing one.
    QDir dir(clean);
    if (!dir.isReadable())
        return PropertyStatus::InvalidValue;
    const bool changed = clean != m_path;
    m_path = clean;
    fill();
    if (changed)
        emit Change();
    return PropertyStatus::Ok;
}

QString DirListBox::pathAt(int row) const
{
    const QListWidgetItem* it = item(row);
    return it ? it->data(Qt::UserRole).toString() : QString();
}

void DirListBox::fill()
{
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

    // The chain from the root down to the current folder.
    QStringList chain;
    for (QDir d(m_path);;) {
        chain.prepend(d.absolutePath());
        if (d.isRoot() || !d.cdUp())
            break;
    }
    int depth = 0;
    for (const QString& folder : chain) {
        const QString name = depth == 0 ? QDir::toNativeSeparators(folder) : QFileInfo(folder).fileName();
        auto* it = new QListWidgetItem(open, QString(depth * 2, QLatin1Char(' ')) + name, this);
        it->setData(Qt::UserRole, folder);
        ++depth;
    }
    setCurrentRow(count() - 1);

    const QDir current(m_path);
    const QStringList inside =
        current.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QString& name : inside) {
        auto* it = new QListWidgetItem(closed, QString(depth * 2, QLatin1Char(' ')) + name, this);
        it->setData(Qt::UserRole, current.filePath(name));
    }
}

void DirListBox::openRow(int row)
{
    const QString folder = pathAt(row);
    if (!folder.isEmpty())
        open(folder);
}

void DirListBox::open(const QString& folder)
{
    if (setPath(folder) != PropertyStatus::Ok)
        emit PathRefused(folder);
}

void DirListBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        openRow(currentRow());
        return;
    }
    QListWidget::keyPressEvent(event);
}
