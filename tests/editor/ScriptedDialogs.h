#pragma once
// A dialog provider that answers from a script instead of a person, and
// records every dialog it was asked for. A dialog with no answer queued is
// answered with Cancel and counted as unexpected, so a test sees it.
#include "DialogProvider.h"

#include <QList>
#include <deque>

class ScriptedDialogs final : public DialogProvider {
public:
    struct Request {
        QString kind; // "color", "font", "open", "save", "input", "message"
        QString title;
        QString prompt;
        QColor initialColor;
        FontChoice initialFont;
        FileDialogRequest file;
    };

    // Queue the next answer of each kind; std::nullopt answers Cancel.
    void answerColor(std::optional<QColor> answer) { m_colors.push_back(answer); }
    void answerFont(std::optional<FontChoice> answer) { m_fonts.push_back(answer); }
    void answerFile(std::optional<QString> answer) { m_files.push_back(answer); }
    void answerInput(std::optional<QString> answer) { m_inputs.push_back(answer); }

    const QList<Request>& requests() const { return m_requests; }
    int count(const QString& kind) const;
    int unexpected() const { return m_unexpected; }

    std::optional<QColor> chooseColor(QWidget*, const QColor& initial) override;
    std::optional<FontChoice> chooseFont(QWidget*, const FontChoice& initial) override;
    std::optional<QString> chooseOpenFile(QWidget*, const FileDialogRequest& request) override;
    std::optional<QString> chooseSaveFile(QWidget*, const FileDialogRequest& request) override;
    std::optional<QString> inputText(QWidget*, const QString& title, const QString& prompt,
                                     const QString& defaultText) override;
    MessageAnswer message(QWidget*, const MessageRequest& request) override;

private:
    template <class T>
    std::optional<T> next(std::deque<std::optional<T>>& queue);

    std::deque<std::optional<QColor>> m_colors;
    std::deque<std::optional<FontChoice>> m_fonts;
    std::deque<std::optional<QString>> m_files;
    std::deque<std::optional<QString>> m_inputs;
    QList<Request> m_requests;
    int m_unexpected = 0;
};
