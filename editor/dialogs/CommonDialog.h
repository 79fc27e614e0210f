#pragma once
// The one common-dialog component of the editor (CommonDialog1 on Parent).
// It keeps its properties from one use to the next, as every command relies
// on, and asks a replaceable DialogProvider for the actual dialogs.
#include "DialogProvider.h"
#include "OleColor.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <memory>

// Every show reports whether the user confirmed or cancelled. A cancelled
// dialog leaves all properties as they were.
enum class DialogResult { Confirmed, Cancelled };

struct InputBoxAnswer {
    DialogResult result = DialogResult::Cancelled;
    QString text; // empty when cancelled
};

class CommonDialog : public QObject {
    Q_OBJECT
public:
    // owner: the window the dialogs are modal to.
    explicit CommonDialog(QWidget* owner, QObject* parent = nullptr);

    void setProvider(std::shared_ptr<DialogProvider> provider);
    DialogProvider& provider() const { return *m_provider; }

    OleColor color() const { return m_color; }
    void setColor(OleColor c) { m_color = c; }

    QString fontName() const { return m_font.name; }
    void setFontName(const QString& name) { m_font.name = name; }
    float fontSize() const { return m_font.size; }
    void setFontSize(float size) { m_font.size = size; }
    bool fontBold() const { return m_font.bold; }
    void setFontBold(bool on) { m_font.bold = on; }
    bool fontItalic() const { return m_font.italic; }
    void setFontItalic(bool on) { m_font.italic = on; }
    bool fontStrikethru() const { return m_font.strikethru; }
    void setFontStrikethru(bool on) { m_font.strikethru = on; }
    bool fontUnderline() const { return m_font.underline; }
    void setFontUnderline(bool on) { m_font.underline = on; }

    QString fileName() const { return m_fileName; }
    void setFileName(const QString& name) { m_fileName = name; }
    // "Description|pattern|Description|pattern...", patterns joined by ';'.
    QString filter() const { return m_filter; }
    void setFilter(const QString& filter) { m_filter = filter; }
    QString defaultExt() const { return m_defaultExt; }
    void setDefaultExt(const QString& ext) { m_defaultExt = ext; }
    QString dialogTitle() const { return m_dialogTitle; }
    void setDialogTitle(const QString& title) { m_dialogTitle = title; }

    // Opens on the current Color; a confirmed choice becomes Color.
    DialogResult showColor();
    // Opens on the font properties; a confirmed choice replaces all six.
    DialogResult showFont();
    // Open and save dialogs: pre-filled with FileName, offering Filter; a
    // confirmed name becomes FileName, with DefaultExt added when the name
    // has no extension of its own.
    DialogResult showOpen();
    DialogResult showSave();

    // The platform's input box: prompt (carriage returns break lines), OK,
    // Cancel and one edit line. Touches no property.
    InputBoxAnswer inputBox(const QString& prompt, const QString& title, const QString& defaultText = {});
    // The platform's message box. Touches no property.
    MessageAnswer msgBox(const QString& text, MessageButtons buttons, const QString& title,
                         MessageIcon icon = MessageIcon::None);

    // "BMP |*.bmp" -> {"BMP (*.bmp)"}; a description without a pattern
    // offers every file.
    static QStringList toNameFilters(const QString& filter);
    // The name a save dialog opens on: a name whose extension none of the
    // filter's patterns accept takes ".ext" in place of its own.
    static QString saveName(const QString& fileName, const QString& filter, const QString& ext);
    // The name with ".ext" added when its last component has no extension.
    static QString withDefaultExt(const QString& fileName, const QString& ext);

private:
    FileDialogRequest fileRequest() const;
    DialogResult acceptFileName(const std::optional<QString>& chosen);

    QPointer<QWidget> m_owner;
    std::shared_ptr<DialogProvider> m_provider;
    OleColor m_color = OleColors::Black;
    // Font properties start with no name: a font dialog cancelled at first use
    // hands back an empty FontName, which the forms refuse.
    FontChoice m_font;
    QString m_fileName;
    QString m_filter;
    QString m_defaultExt;
    QString m_dialogTitle;
};
