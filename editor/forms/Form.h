#pragma once
// Base of the editor's forms. A form is its client area; when it lives in the
// main window's work area its frame is the MDI subwindow around it, otherwise
// it is a top-level window and its own frame. Geometry is read and written in
// twips, as the forms' designs and commands give it.
#include <QWidget>

class QMdiSubWindow;

class Form : public QWidget {
    Q_OBJECT
public:
    explicit Form(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

    // The window that moves and is shown: the MDI subwindow, or the form itself.
    QWidget* frame() const;
    QMdiSubWindow* subWindow() const;

    // Outer position, from the work area's top-left (documents) or the
    // screen's (top-level windows).
    float leftTwips() const;
    float topTwips() const;
    void setLeftTwips(float twips);
    void setTopTwips(float twips);

    // Outer size, frame included.
    float widthTwips() const;
    float heightTwips() const;
    // Client area size: the drawing area.
    float scaleWidthTwips() const;
    float scaleHeightTwips() const;
    // Sizes the client area and lets the frame follow.
    void setClientSizePixels(int width, int height);

    // Shows the form modeless; a form already shown comes to the front.
    void showForm();
    void hideForm();
    bool isFormVisible() const;
};
