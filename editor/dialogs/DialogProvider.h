#pragma once
// The real dialogs behind CommonDialog1 and the input and message boxes.
// Every dialog of the editor goes through one provider, so tests can replace
// it and answer dialogs without a person. An empty optional means the user
// cancelled; a value means the dialog was confirmed with that answer.
#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

struct FontChoice {
    QString name; // empty: the dialog opens on the application font
    float size = 8.0f;
    bool bold = false;
    bool italic = false;
    bool strikethru = false;
    bool underline = false;
};

struct FileDialogRequest {
    QString title;
    QStringList nameFilters; // already in Qt's "Description (*.ext)" form
    QString fileName;        // pre-filled name, possibly empty
    QString defaultExt;      // without the dot, possibly empty
};

enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageAnswer { Ok, Cancel, Yes, No };
enum class MessageIcon { None, Information, Warning, Critical };

struct MessageRequest {
    QString title;
    QString text;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
};

class DialogProvider {
public:
    virtual ~DialogProvider() = default;

    virtual std::optional<QColor> chooseColor(QWidget* owner, const QColor& initial) = 0;
    virtual std::optional<FontChoice> chooseFont(QWidget* owner, const FontChoice& initial) = 0;
    virtual std::optional<QString> chooseOpenFile(QWidget* owner, const FileDialogRequest& request) = 0;
    virtual std::optional<QString> chooseSaveFile(QWidget* owner, const FileDialogRequest& request) = 0;
    // The prompt may hold carriage returns as line breaks.
    virtual std::optional<QString> inputText(QWidget* owner, const QString& title, const QString& prompt,
                                             const QString& defaultText) = 0;
    virtual MessageAnswer message(QWidget* owner, const MessageRequest& request) = 0;
};
