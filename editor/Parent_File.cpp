// The main window's File commands: save the banner as BMP, export it as GIF
// through the conversion control, load a picture as its background picture.
#include "Parent.h"

#include "CommonDialog.h"
#include "Forms.h"
#include "FrmBanner.h"
#include "ModStart.h"
#include "PictureBox.h"
#include "PictureFiles.h"

void Parent::warn(const QString& text)
{
    CommonDialog1->msgBox(text, MessageButtons::Ok, ModStart::appTitle(), MessageIcon::Warning);
}

void Parent::MnuLoad_Click()
{
    // The default extension stays as the last save command left it.
    CommonDialog1->setFilter(loadFilter());
    if (CommonDialog1->showOpen() == DialogResult::Cancelled)
        return; // a cancelled dialog keeps its old name: reloading it would surprise
    loadCanvasPicture(CommonDialog1->fileName());
}

// Both BMP entries run this one procedure, so their files are identical.
void Parent::MnuSave_Click() { saveBitmap(); }
void Parent::MnuBmp_Click() { saveBitmap(); }

bool Parent::loadCanvasPicture(const QString& fileName)
{
    const PictureFiles::Loaded loaded = PictureFiles::loadPicture(fileName);
    if (loaded.status != PictureFiles::Status::Ok) {
        warn(PictureFiles::describeLoadFailure(loaded, fileName));
        return false;
    }
    // Shown unscaled from the top-left corner; the canvas keeps its size and
    // cuts off whatever does not fit.
    Forms::FrmBanner().setPicture(loaded.picture);
    return true;
}

void Parent::saveBitmap()
{
    CommonDialog1->setFilter(bmpFilter());
    CommonDialog1->setDefaultExt(QStringLiteral("bmp"));
    if (CommonDialog1->showSave() == DialogResult::Cancelled)
        return;
    const QString fileName = CommonDialog1->fileName();
    if (fileName.isEmpty())
        return;
    // BMP data whatever extension the user typed.
    QString reason;
    const PictureFiles::Status status = PictureFiles::savePicture(Forms::FrmBanner().image(), fileName, &reason);
    if (status != PictureFiles::Status::Ok)
        warn(PictureFiles::describeSaveFailure(status, reason, fileName));
}
