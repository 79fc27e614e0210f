// One web export analysis of a standard banner (picture, background, two
// lines of text), with the options a user most often has on, timed N times;
// then a 4000 x 500 banner analysed through the analyser while a timer on the
// UI thread measures the longest gap between its ticks.
#include "BannerDocument.h"
#include "WebExport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QImage photo(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb((x * 3 + y) % 256, (y * 5 + x / 3) % 256, (x * y / 7) % 256));
    return picture;
}

void banner(BannerDocument& doc, QSize size)
{
    doc.setSize(size);
    doc.setBackColor(OleColors::White);
    doc.setPicture(photo(size.width() / 3, size.height() * 2 / 3));
    doc.setForeColor(OleColors::fromRgb(200, 0, 0));
    doc.setFontSize(size.height() / 4.0f);
    doc.setFontBold(true);
    doc.setCurrentX(size.width() / 2.0f * 15);
    doc.setCurrentY(4 * 15);
    doc.print(QStringLiteral("Spring Sale"));
    doc.setForeColor(OleColors::fromRgb(0x77, 0x77, 0x77));
    doc.setCurrentX(size.width() / 2.0f * 15);
    doc.print(QStringLiteral("everything must go"));
}

void timeRuns(const char* label, const BannerDocument& doc, const WebExportOptions& o, int runs)
{
    std::vector<double> ms;
    WebExportReport r;
    const QImage image = doc.image();
    const QList<BannerTextItem> texts = doc.textItems();
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        r = AnalyseForWeb(image, texts, o);
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf(
        "%-44s runs %3d  median %8.2f ms  slowest %8.2f ms  (%lld bytes, %lld compact, %d colours, %lld fit steps)%s\n",
        label, runs, ms[ms.size() / 2], ms.back(), static_cast<long long>(r.exactBytes),
        static_cast<long long>(r.compactBytes), r.distinctColours, static_cast<long long>(r.fitSteps.size()),
        r.ok() ? "" : " FAILED");
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;

    BannerDocument standard;
    banner(standard, QSize(468, 60));
    WebExportOptions defaults;
    timeRuns("468x60, defaults", standard, defaults, runs);
    WebExportOptions busy;
    busy.matte = true;
    busy.pageColour = qRgb(0, 0, 0);
    busy.budgetBytes = 1024; // misses: every fit step is tried
    timeRuns("468x60, matte on black, budget missed", standard, busy, runs);

    BannerDocument big;
    banner(big, QSize(4000, 500));
    timeRuns("4000x500, matte on black, budget missed", big, busy, std::max(1, runs / 10));

    // The same through the analyser: the UI thread keeps ticking.
    WebExportAnalyser analyser;
    QEventLoop loop;
    QObject::connect(&analyser, &WebExportAnalyser::ready, &loop, &QEventLoop::quit);
    QTimer tick;
    tick.setInterval(5);
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    int ticks = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTick.restart());
        ++ticks;
    });
    const QImage bigImage = big.image();
    const QList<BannerTextItem> bigTexts = big.textItems();
    QElapsedTimer total;
    total.start();
    QElapsedTimer call;
    call.start();
    analyser.request(bigImage, bigTexts, busy);
    const double requestMs = call.nsecsElapsed() / 1e6;
    sinceTick.start();
    tick.start();
    loop.exec();
    std::printf("4000x500 via analyser: request() %.2f ms on the UI thread, ready after %lld ms; "
                "UI timer (5 ms) ticked %d times, longest gap %lld ms\n",
                requestMs, static_cast<long long>(total.elapsed()), ticks, static_cast<long long>(longestGap));
    return 0;
}
