#pragma once
// The graphic viewer, a document window of the work area: walk the disk,
// preview a picture at its natural size with its size in pixels, and paint
// it stretched over the whole banner.
#include "Form.h"

class DirListBox;
class DriveListBox;
class FileListBox;
class FormLabel;
class ImageControl;
class PictureBox;
class QPushButton;

class FrmView : public Form {
    Q_OBJECT
public:
    FrmView();

    // Design drawing area: 8610 x 4665 twips.
    static constexpr int DesignWidth = 574;
    static constexpr int DesignHeight = 311;

    FormLabel* Label1 = nullptr;
    DirListBox* Dir1 = nullptr;
    DriveListBox* Drive1 = nullptr;
    FileListBox* File1 = nullptr;
    PictureBox* Picture1 = nullptr; // the preview's frame; clips the preview
    ImageControl* Image1 = nullptr; // the preview, at the picture's size
    FormLabel* Label2 = nullptr;
    FormLabel* Label3 = nullptr;
    FormLabel* Label4 = nullptr; // width in pixels
    FormLabel* Label5 = nullptr; // height in pixels
    QPushButton* cmdcancel = nullptr;
    QPushButton* Command2 = nullptr; // OK

    // Event handlers.
    void Drive1_Change();
    void Dir1_Change();
    void File1_Click();
    void Command2_Click();
    void cmdcancel_Click();

    // The selected file: the folder and the file name joined by one
    // separator (a root folder already ends in one).
    QString selectedFile() const;
    static QString joinPath(const QString& folder, const QString& fileName);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void folderRefused(const QString& folder);

    // The drive shown before the last change, to go back to when the new
    // one cannot be read.
    QString m_drive;
};
