#include "FrmView.h"

#include "Clipboard.h"
#include "CommonDialog.h"
#include "DirListBox.h"
#include "DriveListBox.h"
#include "FileListBox.h"
#include "FontProperties.h"
#include "FormLabel.h"
#include "Forms.h"
#include "FrmBanner.h"
#include "ImageControl.h"
#include "ModStart.h"
#include "Parent.h"
#include "PictureBox.h"
#include "PictureFiles.h"
#include "Twips.h"

#include <QDir>
#include <QKeyEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>

namespace {

const QString kSans = QStringLiteral("MS Sans Serif");
const QString kHandwriting = QStringLiteral("Lucida Handwriting");

FormLabel* makeLabel(QWidget* parent, const char* name, const QString& caption, QRect twips, const QFont& font)
{
    auto* label = new FormLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(font);
    label->setGeometry(Twips::toPixelRect(twips.x(), twips.y(), twips.width(), twips.height()));
    return label;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, QRect twips)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFont(FontProperties::design(kSans, 9.75f, true));
    button->setGeometry(Twips::toPixelRect(twips.x(), twips.y(), twips.width(), twips.height()));
    button->setAutoDefault(false);
    return button;
}

void tell(const QString& text)
{
    Forms::Parent().CommonDialog1->msgBox(text, MessageButtons::Ok, ModStart::appTitle(), MessageIcon::Warning);
}

} // namespace

FrmView::FrmView()
{
    setObjectName(QStringLiteral("FrmView"));
    setWindowTitle(QStringLiteral("    Velnora Graphic Viewer"));
    setAutoFillBackground(true);
    resize(DesignWidth, DesignHeight);

    Label1 = makeLabel(this, "Label1", QStringLiteral("Velnora Viewer"), QRect(240, 0, 1815, 360),
                       FontProperties::design(kHandwriting, 14.25f, false));
    Label1->setForeColor(0x00FF0000);

    Dir1 = new DirListBox(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setGeometry(Twips::toPixelRect(0, 480, 2295, 3015));

    Drive1 = new DriveListBox(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setGeometry(Twips::toPixelRect(0, 3600, 2295, 315));

    File1 = new FileListBox(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setGeometry(Twips::toPixelRect(2760, 480, 2175, 3015));

    Picture1 = new PictureBox(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(Twips::toPixelRect(5400, 360, 2895, 3135));
    Image1 = new ImageControl(Picture1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Picture1->placeChild(Image1, 0, 0, 1335, 975);

    const QFont boldSans = FontProperties::design(kSans, 8.25f, true);
    Label2 = makeLabel(this, "Label2", QStringLiteral("Width"), QRect(5400, 3600, 510, 195), boldSans);
    Label4 =
        makeLabel(this, "Label4", QString(), QRect(6120, 3600, 1695, 255), FontProperties::design(kSans, 8.25f, false));
    Label3 = makeLabel(this, "Label3", QStringLiteral("Height"), QRect(5400, 3960, 570, 195), boldSans);
    Label5 = makeLabel(this, "Label5", QString(), QRect(6120, 3960, 1935, 255),
                       FontProperties::design(kHandwriting, 8.25f, false));

    cmdcancel = makeButton(this, "cmdcancel", QStringLiteral("Cancel"), QRect(2520, 3960, 1215, 495));
    Command2 = makeButton(this, "Command2", QStringLiteral("OK"), QRect(3960, 3960, 1215, 495));

    connect(Drive1, &DriveListBox::Change, this, &FrmView::Drive1_Change);
    connect(Dir1, &DirListBox::Change, this, &FrmView::Dir1_Change);
    connect(Dir1, &DirListBox::PathRefused, this, &FrmView::folderRefused);
    connect(File1, &FileListBox::Click, this, &FrmView::File1_Click);
    connect(Command2, &QPushButton::clicked, this, &FrmView::Command2_Click);
    connect(cmdcancel, &QPushButton::clicked, this, &FrmView::cmdcancel_Click);

    // The lists start in the program's current folder, as the host's do.
    for (const QString& start : {QDir::currentPath(), QDir::homePath(), QDir::rootPath()}) {
        if (Dir1->setPath(start) == PropertyStatus::Ok)
            break;
    }
}

QString FrmView::joinPath(const QString& folder, const QString& fileName)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + fileName;
    return folder + QLatin1Char('/') + fileName;
}

QString FrmView::selectedFile() const { return joinPath(Dir1->path(), File1->fileName()); }

// --- browsing ---------------------------------------------------------------

void FrmView::Drive1_Change()
{
    const QString drive = Drive1->drive();
    if (Dir1->setPath(drive) == PropertyStatus::Ok) {
        m_drive = Drive1->drive();
        return;
    }
    // A volume that cannot be read (no medium, no permission) would leave
    // the lists showing another drive than the one picked: go back to it.
    const QString previous = m_drive;
    Drive1->setDrive(previous);
    tell(QStringLiteral("The drive %1 cannot be read.\nThe viewer stays on %2.")
             .arg(QDir::toNativeSeparators(drive), QDir::toNativeSeparators(previous)));
}

void FrmView::Dir1_Change()
{
    File1->setPath(Dir1->path());
    // Mounts nest here: walking into a folder can walk onto another volume.
    Drive1->setDrive(Dir1->path());
    m_drive = Drive1->drive();
}

void FrmView::folderRefused(const QString& folder)
{
    tell(QStringLiteral("The folder %1 cannot be read.").arg(QDir::toNativeSeparators(folder)));
}

// --- preview and OK ----------------------------------------------------------

void FrmView::File1_Click()
{
    // A file that is no picture leaves the previous preview and its size.
    const PictureFiles::Loaded loaded = PictureFiles::loadPicture(selectedFile());
    if (loaded.status != PictureFiles::Status::Ok || loaded.picture.isNull())
        return;
    Image1->setPicture(loaded.picture);
    Label4->setCaption(Twips::formatSingle(Image1->widthTwips() / Twips::PerPixel));
    Label5->setCaption(Twips::formatSingle(Image1->heightTwips() / Twips::PerPixel));
}

void FrmView::Command2_Click()
{
    // Each step that fails is skipped and the next one works on whatever the
    // earlier ones left; the viewer always closes.
    Clipboard& clipboard = Clipboard::system();
    clipboard.clear();
    const PictureFiles::Loaded loaded = PictureFiles::loadPicture(selectedFile());
    if (loaded.status == PictureFiles::Status::Ok && !loaded.picture.isNull())
        clipboard.setPicture(loaded.picture);
    const QImage bitmap = clipboard.bitmap();
    if (!bitmap.isNull())
        Image1->setPicture(bitmap);
    const QImage shown = Image1->picture();
    if (!shown.isNull()) {
        // Stretched over the whole banner; the picture's proportions go.
        FrmBanner& banner = Forms::FrmBanner();
        banner.document().paintPicture(shown, 0, 0, banner.scaleWidthTwips(), banner.scaleHeightTwips());
    }
    hideForm();
}

void FrmView::cmdcancel_Click() { hideForm(); }

void FrmView::showEvent(QShowEvent* event)
{
    Form::showEvent(event);
    if (event->spontaneous())
        return;
    // Hidden, not unloaded: the folder may have changed while the viewer was
    // away. The file chosen stays chosen while it is still there; the
    // preview is left as it is.
    const QString chosen = File1->fileName();
    const QSignalBlocker quiet(File1);
    File1->refresh();
    if (!chosen.isEmpty()) {
        const QList<QListWidgetItem*> found = File1->findItems(chosen, Qt::MatchExactly);
        if (!found.isEmpty())
            File1->setCurrentItem(found.constFirst());
    }
}

void FrmView::keyPressEvent(QKeyEvent* event)
{
    // cmdcancel is the form's cancel button.
    if (event->key() == Qt::Key_Escape) {
        cmdcancel_Click();
        return;
    }
    Form::keyPressEvent(event);
}
