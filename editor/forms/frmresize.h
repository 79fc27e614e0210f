#pragma once
// The banner size dialog, a document window of the work area. The user
// checks the standard size or drags out a box from the dialog's top-left
// corner; OK resizes the canvas and stretches the banner's content over it.
#include "Form.h"
#include "OleColor.h"

#include <QImage>
#include <QPointF>

class FormLabel;
class PictureBox;
class QCheckBox;
class QPushButton;

class frmresize : public Form {
    Q_OBJECT
public:
    frmresize();

    // Design drawing area: 7935 x 5430 twips.
    static constexpr int DesignWidth = 529;
    static constexpr int DesignHeight = 362;
    // Drawing modes, by their form values.
    static constexpr int DrawModeXorPen = 7;
    static constexpr int DrawModeCopyPen = 13;

    QCheckBox* Check1 = nullptr;
    FormLabel* Label1 = nullptr;
    FormLabel* Label2 = nullptr;
    FormLabel* Label3 = nullptr; // dragged width, pixels
    FormLabel* Label4 = nullptr; // dragged height, pixels
    FormLabel* Label5 = nullptr;
    FormLabel* Label6 = nullptr;
    QPushButton* Command1 = nullptr; // OK
    QPushButton* Command2 = nullptr; // Cancel
    // Hidden: holds the copy of the banner that OK stretches to the new size.
    PictureBox* Picture1 = nullptr;

    // Event handlers; coordinates in twips from the dialog's client area,
    // button as the canvas's handlers take it (1 left, 2 right, 4 middle).
    void Form_Load();
    void Form_MouseDown(int button, int shift, float x, float y);
    void Form_MouseMove(int button, int shift, float x, float y);
    void Form_MouseUp(int button, int shift, float x, float y);
    void Command1_Click();
    void Command2_Click();

    // What is drawn on the dialog, under its controls.
    const QImage& drawing() const { return m_drawing; }
    OleColor foreColor() const { return m_foreColor; }
    OleColor backColor() const { return m_backColor; }
    int drawMode() const { return m_drawMode; }
    int drawWidth() const { return m_drawWidth; }
    // Cls: wipes the drawing back to the back colour.
    void cls();
    // Line ... , B: a box outline between two corners (twips) in the fore
    // colour, the draw width and the draw mode.
    void drawBox(QPointF from, QPointF to);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void takeBannerCopy();
    void finishOk();

    QImage m_drawing;
    OleColor m_foreColor = 0x00FF0000;
    OleColor m_backColor = 0x8000000F; // button face
    int m_drawMode = DrawModeCopyPen;
    int m_drawWidth = 1;
    // Far corner of the band drawn last; the near corner is always (0, 0).
    QPointF m_lastCorner;
};
