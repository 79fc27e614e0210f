#pragma once
// The banner as a web page will show it: the GIF the conversion control
// writes for it (or its compact form), decoded again and laid over a page
// colour; its colours, the texts' contrast, the interlace passes as they come
// in, and what would make it fit a byte budget. No widgets here: the web
// export window shows a WebExportReport and asks a WebExportAnalyser for a
// new one whenever the banner or the options change.
#include "BannerDocument.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QObject>
#include <QRect>
#include <QRgb>
#include <QString>

#include <array>
#include <memory>
#include <optional>

// Budget presets for common ad network caps, in bytes (1 KB = 1024 bytes).
inline constexpr std::array<qint64, 3> kWebBudgetPresets{40 * 1024, 80 * 1024, 150 * 1024};

// Contrast a text line needs against what lies under it (WCAG, normal text).
inline constexpr double kLegibleContrast = 4.5;

struct WebExportOptions {
    // Write the LZW code stream instead of the control's run-length one:
    // the same picture in fewer bytes, but not the control's bytes.
    bool compact = false;
    // Blend soft edges that fade into the transparent white towards
    // pageColour before export, so they show no pale halo on that page.
    bool matte = false;
    // The colour of the page the banner will sit on (alpha ignored).
    QRgb pageColour = qRgb(255, 255, 255);
    // As the editor's control instance is stored: interlaced, with the
    // background colour (white) written as the transparent colour.
    bool interlaced = true;
    bool transparent = true;
    // Colours in the written GIF: 256 is what the control's mapping gives;
    // fewer reduces the banner to that many colours first (2 to 256).
    int maxColours = 256;
    // Byte budget; 0 or below for none.
    qint64 budgetBytes = 0;

    bool operator==(const WebExportOptions&) const = default;
};

// Colours the control's mapping folds into another once its 256-entry table
// is full.
struct ColourMerge {
    QRgb from = 0;     // a colour of the banner (opaque)
    QRgb to = 0;       // the table entry written in its place (opaque)
    qint64 pixels = 0; // banner pixels of colour `from`
};

// One printed text line against what the page shows under it.
struct TextLegibility {
    QString text;
    QRgb colour = 0;       // the text's colour, resolved (opaque)
    QRect box;             // the line's box in banner pixels, clipped to the banner
    double contrast = 0.0; // WCAG contrast ratio, 1 to 21
    bool passes = false;   // contrast >= kLegibleContrast
    QRgb suggestion = 0;   // nearest palette colour that passes, when !passes
    bool hasSuggestion = false;
};

// One way of making the GIF smaller, and what it would weigh.
struct FitStep {
    enum Kind {
        Compact,            // compact code stream
        NoInterlace,        // rows top to bottom
        CompactNoInterlace, // both
        FewerColours,       // maxColours colours, control's stream
        CompactFewerColours // maxColours colours, compact stream
    };
    Kind kind = Compact;
    // The options this step sets (the others stay as they were).
    bool compact = false;
    bool interlaced = true;
    int maxColours = 256;
    qint64 bytes = 0;  // size of the GIF written this way
    qint64 saving = 0; // bytes fewer than with the current options
    bool fits = false; // bytes <= budget
};

struct WebExportReport {
    // The GIF as the options write it; empty on failure (see error).
    QByteArray gif;
    // Sizes with the current options: the control's stream and the compact one.
    qint64 exactBytes = 0;
    qint64 compactBytes = 0;
    // What gif holds: exactBytes or compactBytes.
    qint64 bytes = 0;
    bool fitsBudget = true; // no budget, or bytes <= budget

    // The banner as drawn (opaque), and as exported after the matte (if on).
    QImage drawn;
    QImage exported;
    // Decoded GIFs over the page colour (RGB32, the banner's size): with the
    // current options, and with the matte off and on.
    QImage preview;
    QImage previewPlain;
    QImage previewMatte;

    // Distinct colours of the exported picture, and the merges the control's
    // mapping makes (most pixels first). White, the background colour, takes
    // the table's first entry even when unused, so 256 colours without white
    // already merge one.
    int distinctColours = 0;
    QList<ColourMerge> merges;
    // Text pixels (glyph coverage) in the transparent colour: they vanish on
    // the page. The mask is ARGB32 at the banner's size: opaque red where
    // hidden, transparent elsewhere; null when there are none.
    qint64 hiddenPixels = 0;
    QImage hiddenMask;

    // One per text item, in the order printed.
    QList<TextLegibility> lines;

    // The four stages a slow connection shows (RGB32 over the page colour):
    // after each interlace pass, rows not yet come in repeat the nearest row
    // above that has; without interlace, the top quarter, half, three
    // quarters and all of the rows, the rest still the page colour.
    QList<QImage> passes;

    // With a budget the current options miss: each step's size, in the order
    // tried, and the first (smallest change) that fits, if any.
    QList<FitStep> fitSteps;
    std::optional<FitStep> fit;

    // Why nothing could be made (empty banner, too big for GIF...).
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// The analysis; pure and safe on any thread, given texts whose colours are
// not system colours (ResolveTextColours on the UI thread makes them so, and
// WebExportAnalyser does). Texts still in system colours are resolved here
// from the application palette, which is only safe on the UI thread.
WebExportReport AnalyseForWeb(const QImage& banner, const QList<BannerTextItem>& texts,
                              const WebExportOptions& options);

// The texts with system colours replaced by what they show now. UI thread only.
QList<BannerTextItem> ResolveTextColours(QList<BannerTextItem> texts);

// WCAG relative luminance of an sRGB colour, and the contrast ratio of two.
double RelativeLuminance(QRgb colour);
double ContrastRatio(QRgb a, QRgb b);

// Writes the report's GIF bytes to fileName by the rules of the editor's
// other saves: whole or not at all, links written through, devices, pipes and
// folders refused. On failure reason gets the system's words, for
// PictureFiles::describeSaveFailure.
PictureFiles::Status SaveWebGif(const QString& fileName, const QByteArray& gif, QString* reason = nullptr);

// Runs AnalyseForWeb off the UI thread. Requests coalesce: while one runs,
// only the latest request waits, and a result that a newer request has made
// stale is dropped, so ready() always carries the latest banner and options.
class WebExportAnalyser : public QObject {
    Q_OBJECT
public:
    explicit WebExportAnalyser(QObject* parent = nullptr);
    ~WebExportAnalyser() override; // waits for the running analysis

    // Resolves text colours here (UI thread) and queues the rest.
    void request(const QImage& banner, const QList<BannerTextItem>& texts, const WebExportOptions& options);
    bool busy() const;
    // The last report delivered (empty before the first).
    const WebExportReport& latest() const;

signals:
    void ready(const WebExportReport& report);

private:
    struct State;
    std::unique_ptr<State> d;
    void startNext();
};

Q_DECLARE_METATYPE(WebExportReport)
