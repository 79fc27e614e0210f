#include "CommonDialog.h"

#include "QtDialogProvider.h"

#include <QFileInfo>
#include <QRegularExpression>

CommonDialog::CommonDialog(QWidget* owner, QObject* parent)
    : QObject(parent), m_owner(owner), m_provider(std::make_shared<QtDialogProvider>())
{
}

void CommonDialog::setProvider(std::shared_ptr<DialogProvider> provider)
{
    m_provider = provider ? std::move(provider) : std::make_shared<QtDialogProvider>();
}

DialogResult CommonDialog::showColor()
{
    const auto chosen = m_provider->chooseColor(m_owner, OleColors::toQColor(m_color));
    if (!chosen)
        return DialogResult::Cancelled;
    m_color = OleColors::fromQColor(*chosen);
    return DialogResult::Confirmed;
}

DialogResult CommonDialog::showFont()
{
    const auto chosen = m_provider->chooseFont(m_owner, m_font);
    if (!chosen)
        return DialogResult::Cancelled;
    m_font = *chosen;
    return DialogResult::Confirmed;
}

FileDialogRequest CommonDialog::fileRequest() const
{
    FileDialogRequest request;
    request.title = m_dialogTitle;
    request.nameFilters = toNameFilters(m_filter);
    request.fileName = m_fileName;
    request.defaultExt = m_defaultExt;
    return request;
}

DialogResult CommonDialog::acceptFileName(const std::optional<QString>& chosen)
{
    if (!chosen || chosen->isEmpty())
        return DialogResult::Cancelled;
    m_fileName = withDefaultExt(*chosen, m_defaultExt);
    return DialogResult::Confirmed;
}

DialogResult CommonDialog::showOpen() { return acceptFileName(m_provider->chooseOpenFile(m_owner, fileRequest())); }

DialogResult CommonDialog::showSave()
{
    FileDialogRequest request = fileRequest();
    // The name carried over from a command of another type keeps its place
    // and stem but takes this save's extension: confirming it at once must
    // not put BMP bytes under a ".gif" name, or over a loaded ".jpg".
    request.fileName = saveName(m_fileName, m_filter, m_defaultExt);
    return acceptFileName(m_provider->chooseSaveFile(m_owner, request));
}

InputBoxAnswer CommonDialog::inputBox(const QString& prompt, const QString& title, const QString& defaultText)
{
    const auto typed = m_provider->inputText(m_owner, title, prompt, defaultText);
    if (!typed)
        return {DialogResult::Cancelled, QString()};
    return {DialogResult::Confirmed, *typed};
}

MessageAnswer CommonDialog::msgBox(const QString& text, MessageButtons buttons, const QString& title, MessageIcon icon)
{
    return m_provider->message(m_owner, MessageRequest{title, text, buttons, icon});
}

QStringList CommonDialog::toNameFilters(const QString& filter)
{
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    if (filter.isEmpty())
        return result;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts.at(i).trimmed();
        QStringList patterns;
        if (i + 1 < parts.size()) {
            for (const QString& p : parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts))
                patterns << p.trimmed();
        }
        if (patterns.isEmpty())
            patterns << QStringLiteral("*");
        const QString label = description.isEmpty() ? patterns.join(QLatin1Char(' ')) : description;
        result << QStringLiteral("%1 (%2)").arg(label, patterns.join(QLatin1Char(' ')));
    }
    return result;
}

QString CommonDialog::saveName(const QString& fileName, const QString& filter, const QString& ext)
{
    if (ext.isEmpty() || fileName.isEmpty())
        return fileName;
    const QString last = QFileInfo(fileName).fileName();
    const qsizetype dot = last.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return fileName; // the default extension is added on confirming
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 1; i < parts.size(); i += 2) {
        for (const QString& pattern : parts.at(i).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(pattern.trimmed()),
                                        QRegularExpression::CaseInsensitiveOption);
            if (re.match(last).hasMatch())
                return fileName;
        }
    }
    const qsizetype cut = fileName.size() - (last.size() - dot);
    return fileName.left(cut) + QLatin1Char('.') + ext;
}

QString CommonDialog::withDefaultExt(const QString& fileName, const QString& ext)
{
    if (ext.isEmpty() || fileName.isEmpty())
        return fileName;
    const QString last = QFileInfo(fileName).fileName();
    if (last.isEmpty() || last.contains(QLatin1Char('.')))
        return fileName;
    return fileName + QLatin1Char('.') + ext;
}
