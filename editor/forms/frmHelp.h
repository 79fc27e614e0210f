#pragma once
// The help window: a borderless top-level window with a few lines of usage
// hints printed on it once, when it loads. A click anywhere hides it.
#include "Form.h"

#include <QImage>

class frmHelp : public Form {
    Q_OBJECT
public:
    frmHelp();

    // Design drawing area: 5880 x 1605 twips.
    static constexpr int DesignWidth = 392;
    static constexpr int DesignHeight = 107;

    void Form_Load();
    void Form_Click();

    // The hints, joined by carriage returns, as they are printed.
    static QString helpText();
    // What is printed on the window (it keeps its drawing).
    const QImage& image() const { return m_image; }
    // Prints text from the current position; carriage returns start new lines.
    void print(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage m_image;
    QPointF m_current;
};
