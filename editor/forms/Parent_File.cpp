// The main window's File commands: save the banner as BMP, export it as GIF
// through the conversion control, load a picture as its background picture.
#include "Parent.h"

#include "Clipboard.h"
#include "CommonDialog.h"
#include "Forms.h"
#include "FrmBanner.h"
#include "ModStart.h"
#include "PictaforControl.h"
#include "PictureBox.h"
#include "PictureFiles.h"
#include "Twips.h"

#include <QDir>
#include <QFile>

#include <cmath>
#include <cstdint>
#include <sys/stat.h>

namespace {

// What a file looked like before the control was asked to write it, so that
// a write that silently failed is not taken for success.
struct FileStamp {
    bool exists = false;
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;
    ino_t inode = 0;

    static FileStamp of(const QString& fileName)
    {
        FileStamp s;
        struct stat st {};
        if (::stat(QFile::encodeName(fileName).constData(), &st) == 0 && S_ISREG(st.st_mode)) {
            s.exists = true;
            s.size = st.st_size;
            s.mtimeNs = std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
            s.inode = st.st_ino;
        }
        return s;
    }
    bool operator==(const FileStamp&) const = default;
};

// Both ways out refuse a banner with a side of 0 alike, before any dialog.
const QString kEmptyBanner = QStringLiteral("The banner has no pixels (its width or height is 0).\n"
                                            "Give it a size with Banner Size first.");

} // namespace

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
void Parent::MnuGif_Click() { exportGif(); }

bool Parent::loadCanvasPicture(const QString& fileName)
{
    // Shown unscaled from the top-left corner; the canvas keeps its size and
    // cuts off whatever does not fit.
    const PictureFiles::Loaded loaded = Forms::FrmBanner().document().load(fileName);
    if (loaded.status != PictureFiles::Status::Ok) {
        warn(PictureFiles::describeLoadFailure(loaded, fileName));
        return false;
    }
    return true;
}

void Parent::saveBitmap()
{
    const BannerDocument& document = Forms::FrmBanner().document();
    if (document.image().isNull()) {
        warn(kEmptyBanner);
        return;
    }
    CommonDialog1->setFilter(bmpFilter());
    CommonDialog1->setDefaultExt(QStringLiteral("bmp"));
    if (CommonDialog1->showSave() == DialogResult::Cancelled)
        return;
    const QString fileName = CommonDialog1->fileName();
    if (fileName.isEmpty())
        return;
    // BMP data whatever extension the user typed.
    QString reason;
    const PictureFiles::Status status = document.save(fileName, &reason);
    if (status != PictureFiles::Status::Ok)
        warn(PictureFiles::describeSaveFailure(status, reason, fileName));
}

void Parent::exportGif()
{
    const BannerDocument& document = Forms::FrmBanner().document();
    // Twips to pixels in single precision; the height goes to a 16-bit and
    // the width to a 32-bit integer, both to nearest with ties to even. The
    // canvas refuses sides beyond MaxSidePixels, so neither can overflow.
    static_assert(BannerDocument::MaxSidePixels <= INT16_MAX);
    const float pixelWidth = Twips::fromPixels(document.size().width()) / static_cast<float>(Twips::PerPixel);
    const auto pixelHeight = static_cast<std::int16_t>(
        std::nearbyint(Twips::fromPixels(document.size().height()) / static_cast<float>(Twips::PerPixel)));
    const auto width = static_cast<std::int32_t>(std::nearbyint(pixelWidth));

    const QImage image = document.image();
    if (image.isNull() || width <= 0 || pixelHeight <= 0) {
        warn(kEmptyBanner);
        return;
    }
    if (!Pictafor1->isAvailable()) {
        warn(Pictafor1->problem());
        return;
    }
    if (const plat::com::HRESULT h = Pictafor1->putType(1); plat::com::FAILED(h)) {
        warn(Pictafor1->callFailure(QStringLiteral("Type"), h));
        return;
    }
    // The control gets a bitmap of its own, through the clipboard, that stays
    // valid while the canvas goes on drawing. The clipboard is not cleared
    // first: its content is simply replaced.
    Clipboard& clipboard = Clipboard::system();
    QImage staged;
    if (clipboard.setPicture(image))
        staged = clipboard.bitmap();
    if (staged.isNull()) {
        warn(QStringLiteral("The banner cannot be exported: the clipboard cannot be used just now.\n"
                            "Close any program that holds it open and try again."));
        return;
    }
    Picture4->setPicture(staged);

    CommonDialog1->setFilter(gifFilter());
    CommonDialog1->setDefaultExt(QStringLiteral("gif"));
    if (CommonDialog1->showSave() == DialogResult::Cancelled)
        return; // the banner stays on the clipboard and in Picture4
    const QString fileName = CommonDialog1->fileName();
    if (PictureFiles::isSpecialFile(fileName)) {
        // The control would wait on a pipe for a reader, or write into a device.
        warn(PictureFiles::describeSaveFailure(PictureFiles::Status::CannotWrite,
                                               QStringLiteral("It is not a regular file (a device, pipe or socket)."),
                                               fileName));
        return;
    }

    // The control reports success whatever happens; the file itself says
    // whether it was written.
    const FileStamp before = FileStamp::of(fileName);
    const plat::com::HRESULT h = Pictafor1->copyPicture(Picture4->pictureHandle(), fileName, width, pixelHeight);
    if (plat::com::FAILED(h)) {
        warn(Pictafor1->callFailure(QStringLiteral("CopyPicture"), h));
        return;
    }
    const FileStamp after = FileStamp::of(fileName);
    if (!after.exists || after == before) {
        warn(QStringLiteral("The GIF file %1 was not written.\n"
                            "Check that its folder exists and that you may write there.")
                 .arg(QDir::toNativeSeparators(fileName)));
    }
}
