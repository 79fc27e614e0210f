#include "Form.h"

#include "Twips.h"

#include <QMdiArea>
#include <QMdiSubWindow>

Form::Form(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {}

QMdiSubWindow* Form::subWindow() const { return qobject_cast<QMdiSubWindow*>(parentWidget()); }

QWidget* Form::frame() const
{
    if (QMdiSubWindow* sub = subWindow())
        return sub;
    return const_cast<Form*>(this);
}

float Form::leftTwips() const { return Twips::fromPixels(frame()->x()); }
float Form::topTwips() const { return Twips::fromPixels(frame()->y()); }

void Form::setLeftTwips(float twips)
{
    QWidget* f = frame();
    f->move(Twips::toPixels(twips), f->y());
}

void Form::setTopTwips(float twips)
{
    QWidget* f = frame();
    f->move(f->x(), Twips::toPixels(twips));
}

float Form::widthTwips() const { return Twips::fromPixels(frame()->width()); }
float Form::heightTwips() const { return Twips::fromPixels(frame()->height()); }
float Form::scaleWidthTwips() const { return Twips::fromPixels(width()); }
float Form::scaleHeightTwips() const { return Twips::fromPixels(height()); }

void Form::setClientSizePixels(int width, int height)
{
    if (QMdiSubWindow* sub = subWindow()) {
        const QMargins m = sub->contentsMargins();
        sub->resize(width + m.left() + m.right(), height + m.top() + m.bottom());
    }
    resize(width, height);
}

void Form::showForm()
{
    QWidget* f = frame();
    // A window just shown is already on top; one that was showing comes forward.
    const bool wasVisible = f->isVisible();
    f->show();
    // A subwindow's close box also hides the form inside it.
    if (f != this && isHidden())
        show();
    if (wasVisible)
        f->raise();
    if (QMdiSubWindow* sub = subWindow()) {
        if (QMdiArea* area = sub->mdiArea())
            area->setActiveSubWindow(sub);
    } else {
        activateWindow();
    }
}

void Form::hideForm() { frame()->hide(); }

bool Form::isFormVisible() const { return frame()->isVisible(); }
