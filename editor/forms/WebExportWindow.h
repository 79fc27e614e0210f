#pragma once
// Export for Web: the banner as a page will show the exported GIF, over a
// page colour the user picks, beside the banner as drawn; its weight against
// a byte budget, the colours the mapping merges, text that the transparent
// white would hide, the contrast of each printed line, and the interlaced
// rows coming in. Analysis runs on a worker thread; the window only shows
// the latest report. Export writes exactly the GIF the window shows.
#include "WebExport.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

class BannerDocument;
class CommonDialog;
class QButtonGroup;
class QCheckBox;
class QGridLayout;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimer;
class QToolButton;
class QTreeWidget;

// A picture shown whole in a thin frame, shrunk to fit its place when it is
// bigger, never stretched beyond its own size.
class WebImageView : public QWidget {
    Q_OBJECT
public:
    explicit WebImageView(QWidget* parent = nullptr);
    void setImage(const QImage& image);
    // The largest size shown; a bigger picture is shrunk to fit it.
    void setLargest(QSize largest);
    const QImage& image() const { return m_image; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
    QSize m_largest{520, 160};
};

class WebExportWindow : public QWidget {
    Q_OBJECT
public:
    // dialogs: the main window's common dialog, whose provider shows the
    // save, colour and message dialogs; its own properties are left alone.
    WebExportWindow(BannerDocument& document, CommonDialog& dialogs, QWidget* parent = nullptr);
    ~WebExportWindow() override;

    // Options as the controls set them.
    WebExportOptions options() const;
    QRgb pageColour() const { return m_pageColour; }
    void setPageColour(QRgb colour);
    // Budget in bytes; 0 for none.
    void setBudgetBytes(qint64 bytes);
    qint64 budgetBytes() const;

    // The report on show; empty before the first one arrives.
    const WebExportReport& report() const { return m_report; }
    // True while a change is waiting or a request is out that the report on
    // show does not answer.
    bool isAnalysing() const;

    // The commands behind the buttons.
    void applyFit();
    void playLoading();
    void chooseOtherPageColour();
    // Save dialog, then the GIF of the current banner and options. True
    // when a file was written.
    bool exportGif();

    // Stage of the loading playback on show in the page preview: 0 to 3, or
    // -1 when the finished picture shows.
    int loadingStage() const { return m_stage; }
    static constexpr int LoadingStepMs = 700;
    // Merges listed one by one; the rest are counted in a last line.
    static constexpr int MergesListed = 100;

signals:
    // A new report is on show.
    void reportShown();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* buildPreview();
    QWidget* buildOptions();
    QWidget* buildFindings();
    void analyse();
    void scheduleAnalysis();
    void showReport(const WebExportReport& report);
    void showPreviews();
    // Wide banners stack the previews; tall ones stand them side by side.
    void arrangePreviews(bool sideBySide);
    void showBytes();
    void showColours();
    void showHidden();
    void showLegibility();
    void stepLoading();
    void fitLinesHeight();
    void fitToContent();
    void warn(const QString& text);

    BannerDocument& m_document;
    CommonDialog& m_dialogs;
    WebExportAnalyser* m_analyser = nullptr;
    WebExportReport m_report;
    QRgb m_pageColour = qRgb(255, 255, 255);
    bool m_awaiting = false;
    bool m_dirty = true;
    bool m_sized = false;
    bool m_movedOnce = false;
    int m_stage = -1;
    QString m_fileName;

    QTimer* m_coalesce = nullptr;
    QTimer* m_loading = nullptr;

    WebImageView* m_drawn = nullptr;
    WebImageView* m_page = nullptr;
    WebImageView* m_other = nullptr;
    QGridLayout* m_previewGrid = nullptr;
    QLabel* m_drawnCaption = nullptr;
    bool m_sideBySide = false;
    QLabel* m_pageCaption = nullptr;
    QLabel* m_otherCaption = nullptr;
    QLabel* m_pageSwatch = nullptr;
    QToolButton* m_paletteButton = nullptr;
    QPushButton* m_play = nullptr;

    QCheckBox* m_matte = nullptr;
    QRadioButton* m_exact = nullptr;
    QRadioButton* m_compact = nullptr;
    QCheckBox* m_interlaced = nullptr;
    QSpinBox* m_colours = nullptr;
    QSpinBox* m_budget = nullptr;
    QLabel* m_bytes = nullptr;
    QLabel* m_fitText = nullptr;
    QPushButton* m_fit = nullptr;

    QLabel* m_colourText = nullptr;
    QListWidget* m_merges = nullptr;
    QWidget* m_hiddenBox = nullptr;
    QLabel* m_hiddenText = nullptr;
    WebImageView* m_hiddenView = nullptr;
    QTreeWidget* m_lines = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_export = nullptr;
};
