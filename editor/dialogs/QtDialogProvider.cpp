#include "QtDialogProvider.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFontDialog>
#include <QFontInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QSettings>

namespace {

// Icons and type names from the name alone. The stock provider sniffs file
// contents to guess a type, and reading a pipe, a device or a kernel file
// such as /proc/kmsg waits for ever: the dialog, or its closing, hangs.
class NameOnlyIconProvider final : public QFileIconProvider {
public:
    QIcon icon(IconType type) const override { return QFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo& info) const override
    {
        if (info.isDir())
            return QFileIconProvider::icon(QFileIconProvider::Folder);
        if (info.isFile()) {
            const QMimeType mime = m_mimes.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
            QIcon themed = QIcon::fromTheme(mime.iconName(), QIcon::fromTheme(mime.genericIconName()));
            if (!themed.isNull())
                return themed;
        }
        return QFileIconProvider::icon(QFileIconProvider::File);
    }
    QString type(const QFileInfo& info) const override
    {
        if (info.isDir())
            return QStringLiteral("Folder");
        if (!info.isFile())
            return QStringLiteral("Special file");
        const QMimeType mime = m_mimes.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
        return mime.comment().isEmpty() ? mime.name() : mime.comment();
    }

private:
    QMimeDatabase m_mimes;
};

// What Qt's dialog would otherwise keep in a settings file: the folders
// visited, for this run only.
struct DialogHistory {
    QStringList visited;
    QString lastDirectory;
};

DialogHistory& history()
{
    static DialogHistory h;
    return h;
}

std::optional<QString> runFileDialog(QWidget* owner, const FileDialogRequest& request, QFileDialog::AcceptMode mode)
{
    QtDialogProvider::keepDialogStateInMemory();
    NameOnlyIconProvider icons; // outlives the dialog and its file model
    QFileDialog dialog(owner, request.title);
    // Qt's own dialog, so that the icon provider below is the one asked.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setIconProvider(&icons);
    if (!history().visited.isEmpty())
        dialog.setHistory(history().visited);
    if (!history().lastDirectory.isEmpty())
        dialog.setDirectory(history().lastDirectory);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!request.nameFilters.isEmpty())
        dialog.setNameFilters(request.nameFilters);
    if (!request.defaultExt.isEmpty())
        dialog.setDefaultSuffix(request.defaultExt);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    const bool accepted = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    history().visited = dialog.history();
    history().lastDirectory = dialog.directory().absolutePath();
    if (!accepted)
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace

void QtDialogProvider::keepDialogStateInMemory()
{
    // Qt's file and colour dialogs read and write their state through the
    // per-user settings of "QtProject". The editor writes no configuration
    // file: that settings path is pointed where no file can be made, and the
    // dialogs' history is kept in memory above.
    static const bool once = [] {
        const QString nowhere = QStringLiteral("/dev/null");
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, nowhere);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, nowhere);
        return true;
    }();
    (void)once;
}

QString QtDialogProvider::displayText(const QString& text)
{
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

std::optional<QColor> QtDialogProvider::chooseColor(QWidget* owner, const QColor& initial)
{
    keepDialogStateInMemory();
    const QColor chosen = QColorDialog::getColor(initial, owner);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

std::optional<FontChoice> QtDialogProvider::chooseFont(QWidget* owner, const FontChoice& initial)
{
    QFont start = QApplication::font();
    if (!initial.name.isEmpty())
        start.setFamily(initial.name);
    if (initial.size > 0)
        start.setPointSizeF(initial.size);
    start.setBold(initial.bold);
    start.setItalic(initial.italic);
    start.setStrikeOut(initial.strikethru);
    start.setUnderline(initial.underline);
    // The dialog lists installed families only; a design name ("MS Sans
    // Serif") opens on the stand-in that is really drawn.
    start.setFamily(QFontInfo(start).family());

    // Qt's own dialog lists every family in the font database and offers the
    // style (bold, italic) and the strikeout and underline effects; it opens
    // even when the database is empty, so there is no failure to report.
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, start, owner);
    if (!ok)
        return std::nullopt;
    FontChoice choice;
    choice.name = font.family();
    choice.size = static_cast<float>(font.pointSizeF());
    choice.bold = font.weight() >= QFont::DemiBold;
    choice.italic = font.italic();
    choice.strikethru = font.strikeOut();
    choice.underline = font.underline();
    return choice;
}

std::optional<QString> QtDialogProvider::chooseOpenFile(QWidget* owner, const FileDialogRequest& request)
{
    return runFileDialog(owner, request, QFileDialog::AcceptOpen);
}

std::optional<QString> QtDialogProvider::chooseSaveFile(QWidget* owner, const FileDialogRequest& request)
{
    return runFileDialog(owner, request, QFileDialog::AcceptSave);
}

std::optional<QString> QtDialogProvider::inputText(QWidget* owner, const QString& title, const QString& prompt,
                                                   const QString& defaultText)
{
    QInputDialog dialog(owner);
    dialog.setWindowTitle(title);
    dialog.setLabelText(displayText(prompt));
    dialog.setTextValue(defaultText);
    dialog.setInputMode(QInputDialog::TextInput);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

MessageAnswer QtDialogProvider::message(QWidget* owner, const MessageRequest& request)
{
    QMessageBox box(owner);
    box.setWindowTitle(request.title);
    box.setText(displayText(request.text));
    switch (request.icon) {
    case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MessageIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    }
    switch (request.buttons) {
    case MessageButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case MessageButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MessageButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok: return MessageAnswer::Ok;
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    default: return request.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Cancel;
    }
}
