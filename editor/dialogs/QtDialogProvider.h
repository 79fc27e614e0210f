#pragma once
#include "DialogProvider.h"

// The standard Qt dialogs, modal to their owner.
class QtDialogProvider final : public DialogProvider {
public:
    std::optional<QColor> chooseColor(QWidget* owner, const QColor& initial) override;
    std::optional<FontChoice> chooseFont(QWidget* owner, const FontChoice& initial) override;
    std::optional<QString> chooseOpenFile(QWidget* owner, const FileDialogRequest& request) override;
    std::optional<QString> chooseSaveFile(QWidget* owner, const FileDialogRequest& request) override;
    std::optional<QString> inputText(QWidget* owner, const QString& title, const QString& prompt,
                                     const QString& defaultText) override;
    MessageAnswer message(QWidget* owner, const MessageRequest& request) override;

    // Points the dialogs' settings where no file is read or written; called
    // before any dialog is made.
    static void keepDialogStateInMemory();

    // Carriage returns written as line breaks the Qt labels understand.
    static QString displayText(const QString& text);
};
