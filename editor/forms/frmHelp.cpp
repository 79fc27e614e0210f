#include "frmHelp.h"

#include "FontProperties.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

frmHelp::frmHelp() : Form(nullptr, Qt::Tool | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Velnora Help"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFont(FontProperties::design(QStringLiteral("MS Sans Serif"), 12.0f, true));
    resize(DesignWidth, DesignHeight);
    m_image = QImage(size(), QImage::Format_RGB32);
    m_image.setDotsPerMeterX(qRound(logicalDpiX() / 0.0254));
    m_image.setDotsPerMeterY(qRound(logicalDpiY() / 0.0254));
    m_image.fill(palette().color(QPalette::Window));
}

QString frmHelp::helpText()
{
    const QChar cr(13);
    return QStringLiteral("Velnora Provides Tooltips for each") + cr
        + QStringLiteral("Function Which Will Help you Along") + cr
        + QStringLiteral("If You Have questions Please Visit Our") + cr + QStringLiteral("Web site At:") + cr
        + QStringLiteral("http://www.velnora.example/");
}

void frmHelp::Form_Load()
{
    // Printed once per run: hiding keeps the window and what is on it.
    print(helpText());
}

void frmHelp::print(const QString& text)
{
    const QFontMetricsF metrics(font(), &m_image);
    QPainter p(&m_image);
    p.setFont(font());
    p.setPen(palette().color(QPalette::WindowText));
    for (const QString& line : text.split(QChar(13))) {
        p.drawText(QPointF(m_current.x(), m_current.y() + metrics.ascent()), line);
        m_current = QPointF(0, m_current.y() + metrics.height());
    }
    update();
}

void frmHelp::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(QPoint(0, 0), m_image);
}

void frmHelp::Form_Click() { hideForm(); }

void frmHelp::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    Form_Click();
}
