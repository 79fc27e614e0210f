// A shown Export for Web window over a banner whose background colour
// changes N times; each change is timed until the window shows the report
// for it, while a 1 ms timer on the UI thread records its longest gap.
#include "BannerDocument.h"
#include "CommonDialog.h"
#include "WebExportWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// A photo-like picture: thousands of colours, so the mapping merges.
QImage photo(QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            picture.setPixel(x, y, qRgb((x * 3 + y) % 256, (y * 5 + x / 3) % 256, (x * y / 7) % 256));
    return picture;
}

void printText(BannerDocument& doc)
{
    doc.setForeColor(OleColors::fromRgb(200, 0, 0));
    doc.setFontSize(16.0f);
    doc.setCurrentX(150 * 15);
    doc.setCurrentY(10 * 15);
    doc.print(QStringLiteral("Spring Sale"));
}

void run(const char* label, BannerDocument& doc, WebExportWindow& window, int changes, bool blackPage)
{
    window.setPageColour(blackPage ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    QEventLoop settle;
    QObject::connect(&window, &WebExportWindow::reportShown, &settle, [&] {
        if (!window.isAnalysing())
            settle.quit();
    });
    settle.exec();

    QTimer tick;
    tick.setInterval(1);
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
    sinceTick.start();
    tick.start();

    std::vector<double> ms;
    for (int i = 0; i < changes; ++i) {
        QEventLoop loop;
        auto c = QObject::connect(&window, &WebExportWindow::reportShown, &loop, [&] {
            if (!window.isAnalysing())
                loop.quit();
        });
        QElapsedTimer t;
        t.start();
        // A new background wipes the text; printing it again is part of the
        // same change, as one turn of the event loop.
        doc.setBackColor(OleColors::fromRgb(i * 37 % 256, 90, 200));
        printText(doc);
        loop.exec();
        ms.push_back(t.nsecsElapsed() / 1e6);
        QObject::disconnect(c);
    }
    tick.stop();
    std::sort(ms.begin(), ms.end());
    std::printf(
        "%-40s changes %3d  median %8.2f ms  slowest %8.2f ms  longest UI gap %lld ms  (%d colours, %lld text lines)\n",
        label, changes, ms[ms.size() / 2], ms.back(), static_cast<long long>(longestGap),
        window.report().distinctColours, static_cast<long long>(window.report().lines.size()));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int changes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;

    QWidget owner;
    CommonDialog dialogs(&owner);
    BannerDocument doc;
    printText(doc);
    WebExportWindow window(doc, dialogs);
    window.show();

    run("468x60, text, white page", doc, window, changes, false);
    run("468x60, text, black page", doc, window, changes, true);
    doc.setPicture(photo(QSize(468, 60)));
    printText(doc);
    run("468x60 photo (merges), black page", doc, window, std::max(1, changes / 3), true);
    return 0;
}
