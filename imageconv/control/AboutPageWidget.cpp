#include "control/AboutPageWidget.h"

#include "control/DialogUnits.h"

#include <QLabel>
#include <QPixmap>

namespace pictaf {

using namespace plat::com;

AboutPageWidget::AboutPageWidget(QWidget* parent, const DialogTemplate& dialog, HMODULE resources) : QWidget(parent)
{
    setObjectName(QStringLiteral("AboutPage"));
    const DialogUnits::Base base = DialogUnits::baseUnits(dialog);
    if (dialog.fontFace && base.fromFont) {
        QFont f(QString::fromUtf8(dialog.fontFace));
        f.setPointSize(dialog.pointSize);
        setFont(f);
    }
    const SIZEL size = DialogUnits::toPixels(base, dialog.cx, dialog.cy);
    resize(size.cx, size.cy);
    for (const DialogItem& item : dialog.items) {
        const RECT r = DialogUnits::toPixels(base, item.x, item.y, item.cx, item.cy);
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("item%1").arg(item.id));
        if (item.kind == DialogItemKind::Bitmap) {
            const QImage image = LoadBitmapResource(resources, item.bitmapId);
            label->setPixmap(QPixmap::fromImage(image));
            if (item.exStyle & WS_EX_DLGMODALFRAME) {
                label->setFrameStyle(QFrame::Panel | QFrame::Raised);
                label->setLineWidth(2);
            }
            // A bitmap control sizes itself to its bitmap (and its frame).
            label->setGeometry(r.left, r.top, image.width() + 2 * label->frameWidth(),
                               image.height() + 2 * label->frameWidth());
        } else {
            label->setText(QString::fromUtf8(item.text));
            label->setGeometry(r.left, r.top, r.right - r.left, r.bottom - r.top);
        }
    }
}

bool AboutPageWidget::handleMessage(MSG& msg)
{
    if (msg.message == WM_STYLECHANGING && msg.wParam == GWL_EXSTYLE && msg.lParam) {
        // NOLINTNEXTLINE(performance-no-int-to-ptr): this message carries the structure's address.
        auto* style = reinterpret_cast<STYLESTRUCT*>(msg.lParam);
        style->styleNew |= WS_EX_CONTROLPARENT;
        exStyle_ = style->styleNew;
        return true;
    }
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB) {
        focusNextChild();
        return true;
    }
    return false;
}

} // namespace pictaf
