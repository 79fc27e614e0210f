#include "WebExportWindow.h"

#include "BannerDocument.h"
#include "CommonDialog.h"
#include "ModStart.h"
#include "OleColor.h"
#include "Parent.h"
#include "PictureFiles.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <array>

namespace {

const QString kGifFilter = QStringLiteral("GIF |*.gif");

QString bytesText(qint64 n) { return QLocale().toString(n) + QStringLiteral(" bytes"); }

QString colourText(QRgb c)
{
    return QStringLiteral("#%1%2%3")
        .arg(qRed(c), 2, 16, QLatin1Char('0'))
        .arg(qGreen(c), 2, 16, QLatin1Char('0'))
        .arg(qBlue(c), 2, 16, QLatin1Char('0'))
        .toUpper();
}

QIcon swatchIcon(QRgb c, int size = 14)
{
    QPixmap pm(size, size);
    pm.fill(QColor(c));
    QPainter p(&pm);
    p.setPen(QColor(96, 96, 96));
    p.drawRect(0, 0, size - 1, size - 1);
    return QIcon(pm);
}

// Two swatches with an arrow between: a colour and what the mapping writes
// in its place.
QIcon mergeIcon(QRgb from, QRgb to)
{
    QPixmap pm(44, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(96, 96, 96));
    p.setBrush(QColor(from));
    p.drawRect(0, 0, 15, 15);
    p.setBrush(QColor(to));
    p.drawRect(28, 0, 15, 15);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawLine(18, 8, 25, 8);
    p.drawLine(22, 5, 25, 8);
    p.drawLine(22, 11, 25, 8);
    return QIcon(pm);
}

QString ratioText(double r) { return QStringLiteral("%1:1").arg(r, 0, 'f', 2); }

QString stepText(const FitStep& s)
{
    switch (s.kind) {
    case FitStep::Compact: return QStringLiteral("the compact stream");
    case FitStep::NoInterlace: return QStringLiteral("no interlace");
    case FitStep::CompactNoInterlace: return QStringLiteral("the compact stream without interlace");
    case FitStep::FewerColours: return QStringLiteral("%1 colours").arg(s.maxColours);
    case FitStep::CompactFewerColours: return QStringLiteral("the compact stream with %1 colours").arg(s.maxColours);
    }
    return QString();
}

QLabel* heading(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

} // namespace

// --- WebImageView ------------------------------------------------------------

WebImageView::WebImageView(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void WebImageView::setImage(const QImage& image)
{
    const bool resized = image.size() != m_image.size();
    m_image = image;
    if (resized)
        updateGeometry();
    update();
}

void WebImageView::setLargest(QSize largest)
{
    m_largest = largest;
    updateGeometry();
    update();
}

QSize WebImageView::sizeHint() const
{
    if (m_image.isNull())
        return {120, 30};
    const QSize fit = m_image.size().scaled(m_largest, Qt::KeepAspectRatio);
    const bool tooBig = m_image.width() > m_largest.width() || m_image.height() > m_largest.height();
    return (tooBig ? fit : m_image.size()) + QSize(2, 2);
}

QSize WebImageView::minimumSizeHint() const { return sizeHint(); }

void WebImageView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QSize inner = sizeHint() - QSize(2, 2);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(0, 0, inner.width() + 1, inner.height() + 1);
    if (m_image.isNull())
        return;
    const QRect target(1, 1, inner.width(), inner.height());
    if (target.size() != m_image.size())
        p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, m_image);
}

// --- WebExportWindow ---------------------------------------------------------

WebExportWindow::WebExportWindow(BannerDocument& document, CommonDialog& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_document(document), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("WebExportWindow"));
    setWindowTitle(QStringLiteral("Export for Web"));
    qRegisterMetaType<WebExportReport>();

    m_analyser = new WebExportAnalyser(this);
    connect(m_analyser, &WebExportAnalyser::ready, this, &WebExportWindow::showReport);

    // Changes come in bursts (a drag prints, a pick repaints): one request
    // for each turn of the event loop is enough.
    m_coalesce = new QTimer(this);
    m_coalesce->setSingleShot(true);
    m_coalesce->setInterval(0);
    connect(m_coalesce, &QTimer::timeout, this, &WebExportWindow::analyse);

    m_loading = new QTimer(this);
    m_loading->setInterval(LoadingStepMs);
    connect(m_loading, &QTimer::timeout, this, &WebExportWindow::stepLoading);

    connect(&m_document, &BannerDocument::imageChanged, this, &WebExportWindow::scheduleAnalysis);
    connect(&m_document, &BannerDocument::sizeChanged, this, &WebExportWindow::scheduleAnalysis);
    connect(&m_document, &BannerDocument::textItemsChanged, this, &WebExportWindow::scheduleAnalysis);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(10);
    layout->addWidget(buildPreview());
    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    layout->addWidget(rule);
    layout->addWidget(buildOptions());

    QWidget* findings = buildFindings();
    findings->setParent(this);
    findings->setObjectName(QStringLiteral("findings"));
    layout->addWidget(findings, 1);

    auto* bottom = new QHBoxLayout;
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setWordWrap(true);
    bottom->addWidget(m_status, 1);
    m_export = new QPushButton(QStringLiteral("&Export..."), this);
    m_export->setObjectName(QStringLiteral("exportButton"));
    connect(m_export, &QPushButton::clicked, this, [this] { exportGif(); });
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("closeButton"));
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    bottom->addWidget(m_export);
    bottom->addWidget(close);
    layout->addLayout(bottom);

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
}

WebExportWindow::~WebExportWindow() = default;

QWidget* WebExportWindow::buildPreview()
{
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(6);

    auto caption = [box](const QString& text) { return new QLabel(text, box); };
    m_drawn = new WebImageView(box);
    m_drawn->setObjectName(QStringLiteral("drawnPreview"));
    m_page = new WebImageView(box);
    m_page->setObjectName(QStringLiteral("pagePreview"));
    m_other = new WebImageView(box);
    m_other->setObjectName(QStringLiteral("otherPreview"));
    m_drawnCaption = caption(QStringLiteral("As drawn"));
    m_pageCaption = caption(QStringLiteral("On the page"));
    m_otherCaption = caption(QStringLiteral("With matte"));
    m_previewGrid = grid;
    arrangePreviews(false);

    // The page colour: the two usual ones, the editor's palette, any colour.
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    row->addWidget(new QLabel(QStringLiteral("Page colour:"), box));
    m_pageSwatch = new QLabel(box);
    m_pageSwatch->setObjectName(QStringLiteral("pageSwatch"));
    m_pageSwatch->setFixedSize(18, 18);
    row->addWidget(m_pageSwatch);
    auto addButton = [&](const QString& text, const char* name) {
        auto* b = new QToolButton(box);
        b->setText(text);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoRaise(false);
        row->addWidget(b);
        return b;
    };
    connect(addButton(QStringLiteral("White"), "pageWhite"), &QToolButton::clicked, this,
            [this] { setPageColour(qRgb(255, 255, 255)); });
    connect(addButton(QStringLiteral("Black"), "pageBlack"), &QToolButton::clicked, this,
            [this] { setPageColour(qRgb(0, 0, 0)); });
    m_paletteButton = addButton(QStringLiteral("Palette"), "pagePalette");
    m_paletteButton->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(m_paletteButton);
    menu->setObjectName(QStringLiteral("pagePaletteMenu"));
    for (int i = 0; i < Parent::PaletteCount; ++i) {
        const QRgb c = OleColors::toQColor(Parent::paletteColor(i)).rgb();
        QAction* a = menu->addAction(swatchIcon(c), colourText(c));
        connect(a, &QAction::triggered, this, [this, c] { setPageColour(c); });
    }
    m_paletteButton->setMenu(menu);
    connect(addButton(QStringLiteral("Other..."), "pageOther"), &QToolButton::clicked, this,
            &WebExportWindow::chooseOtherPageColour);
    row->addStretch(1);
    m_play = new QPushButton(QStringLiteral("Play loading"), box);
    m_play->setObjectName(QStringLiteral("playLoading"));
    m_play->setToolTip(QStringLiteral("Show the interlaced rows coming in, as over a slow connection"));
    connect(m_play, &QPushButton::clicked, this, &WebExportWindow::playLoading);
    row->addWidget(m_play);
    grid->addLayout(row, 3, 0, 1, 3);

    setPageColour(m_pageColour);
    return box;
}

void WebExportWindow::arrangePreviews(bool sideBySide)
{
    m_sideBySide = sideBySide;
    QGridLayout* grid = m_previewGrid;
    const std::array<std::pair<QLabel*, WebImageView*>, 3> pairs{
        {{m_drawnCaption, m_drawn}, {m_pageCaption, m_page}, {m_otherCaption, m_other}}};
    for (const auto& [caption, view] : pairs) {
        grid->removeWidget(caption);
        grid->removeWidget(view);
    }
    for (int i = 0; i < 3; ++i) {
        grid->setColumnStretch(i, 0);
        grid->setRowStretch(i, 0);
    }
    int i = 0;
    for (const auto& [caption, view] : pairs) {
        if (sideBySide) {
            // Captions over their pictures, the three in a row.
            caption->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
            view->setLargest(QSize(170, 320));
            grid->addWidget(caption, 0, i);
            grid->addWidget(view, 1, i, Qt::AlignLeft | Qt::AlignTop);
        } else {
            // Captions before their pictures, the three one under another.
            caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            view->setLargest(QSize(520, 160));
            grid->addWidget(caption, i, 0);
            grid->addWidget(view, i, 1, Qt::AlignLeft);
        }
        ++i;
    }
    grid->setColumnStretch(sideBySide ? 2 : 1, 1);
}

QWidget* WebExportWindow::buildOptions()
{
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(10);

    // What is written.
    auto* written = new QHBoxLayout;
    m_exact = new QRadioButton(QStringLiteral("As the editor exports it"), box);
    m_exact->setObjectName(QStringLiteral("exactStream"));
    m_exact->setChecked(true);
    m_compact = new QRadioButton(QStringLiteral("Compact"), box);
    m_compact->setObjectName(QStringLiteral("compactStream"));
    auto* streams = new QButtonGroup(box);
    streams->addButton(m_exact);
    streams->addButton(m_compact);
    m_matte = new QCheckBox(QStringLiteral("Matte"), box);
    m_matte->setObjectName(QStringLiteral("matte"));
    m_matte->setToolTip(QStringLiteral("Blend soft edges into the page colour, so text shows no pale halo there"));
    m_interlaced = new QCheckBox(QStringLiteral("Interlaced"), box);
    m_interlaced->setObjectName(QStringLiteral("interlaced"));
    m_interlaced->setChecked(true);
    m_colours = new QSpinBox(box);
    m_colours->setObjectName(QStringLiteral("colours"));
    m_colours->setRange(2, 256);
    m_colours->setValue(256);
    m_colours->setSuffix(QStringLiteral(" colours"));
    written->addWidget(m_exact);
    written->addWidget(m_compact);
    written->addSpacing(12);
    written->addWidget(m_matte);
    written->addWidget(m_interlaced);
    written->addWidget(m_colours);
    written->addStretch(1);
    grid->addWidget(new QLabel(QStringLiteral("Write:"), box), 0, 0);
    grid->addLayout(written, 0, 1);

    // The budget, with the common ad caps a click away.
    auto* budget = new QHBoxLayout;
    m_budget = new QSpinBox(box);
    m_budget->setObjectName(QStringLiteral("budget"));
    m_budget->setRange(0, 1024 * 1024);
    m_budget->setSuffix(QStringLiteral(" KB"));
    m_budget->setSpecialValueText(QStringLiteral("No budget"));
    m_budget->setValue(int(kWebBudgetPresets[0] / 1024));
    m_budget->setToolTip(QStringLiteral("1 KB = 1024 bytes"));
    budget->addWidget(m_budget);
    budget->setSpacing(4);
    for (qint64 preset : kWebBudgetPresets) {
        const int kb = int(preset / 1024);
        auto* b = new QToolButton(box);
        b->setObjectName(QStringLiteral("budget%1").arg(kb));
        b->setText(QStringLiteral("%1 KB").arg(kb));
        connect(b, &QToolButton::clicked, this, [this, kb] { m_budget->setValue(kb); });
        budget->addWidget(b);
    }
    budget->addSpacing(12);
    m_bytes = new QLabel(box);
    m_bytes->setObjectName(QStringLiteral("bytes"));
    m_bytes->setTextInteractionFlags(Qt::TextSelectableByMouse);
    budget->addWidget(m_bytes, 1);
    grid->addWidget(new QLabel(QStringLiteral("Budget:"), box), 1, 0);
    grid->addLayout(budget, 1, 1);

    auto* fit = new QHBoxLayout;
    m_fitText = new QLabel(box);
    m_fitText->setObjectName(QStringLiteral("fitText"));
    m_fitText->setWordWrap(true);
    m_fit = new QPushButton(QStringLiteral("Fit"), box);
    m_fit->setObjectName(QStringLiteral("fitButton"));
    m_fit->setToolTip(QStringLiteral("Apply the smallest change that fits the budget"));
    m_fit->setEnabled(false);
    connect(m_fit, &QPushButton::clicked, this, &WebExportWindow::applyFit);
    fit->addWidget(m_fitText, 1);
    fit->addWidget(m_fit, 0, Qt::AlignTop);
    grid->addLayout(fit, 2, 1);
    grid->setColumnStretch(1, 1);

    for (QAbstractButton* b : {static_cast<QAbstractButton*>(m_compact), static_cast<QAbstractButton*>(m_matte),
                               static_cast<QAbstractButton*>(m_interlaced)})
        connect(b, &QAbstractButton::toggled, this, &WebExportWindow::scheduleAnalysis);
    connect(m_colours, &QSpinBox::valueChanged, this, &WebExportWindow::scheduleAnalysis);
    connect(m_budget, &QSpinBox::valueChanged, this, &WebExportWindow::scheduleAnalysis);
    return box;
}

QWidget* WebExportWindow::buildFindings()
{
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);

    layout->addWidget(heading(QStringLiteral("Colours"), box));
    m_colourText = new QLabel(box);
    m_colourText->setObjectName(QStringLiteral("colourText"));
    m_colourText->setWordWrap(true);
    layout->addWidget(m_colourText);
    m_merges = new QListWidget(box);
    m_merges->setObjectName(QStringLiteral("merges"));
    m_merges->setIconSize(QSize(44, 16));
    m_merges->setMaximumHeight(110);
    m_merges->setSelectionMode(QAbstractItemView::NoSelection);
    m_merges->hide();
    layout->addWidget(m_merges);

    m_hiddenBox = new QWidget(box);
    m_hiddenBox->setObjectName(QStringLiteral("hiddenBox"));
    auto* hidden = new QVBoxLayout(m_hiddenBox);
    hidden->setContentsMargins(0, 4, 0, 0);
    hidden->addWidget(heading(QStringLiteral("Text that will vanish"), m_hiddenBox));
    m_hiddenText = new QLabel(m_hiddenBox);
    m_hiddenText->setObjectName(QStringLiteral("hiddenText"));
    m_hiddenText->setWordWrap(true);
    hidden->addWidget(m_hiddenText);
    m_hiddenView = new WebImageView(m_hiddenBox);
    m_hiddenView->setObjectName(QStringLiteral("hiddenView"));
    hidden->addWidget(m_hiddenView, 0, Qt::AlignLeft);
    m_hiddenBox->hide();
    layout->addWidget(m_hiddenBox);

    layout->addSpacing(4);
    layout->addWidget(heading(QStringLiteral("Legibility"), box));
    m_lines = new QTreeWidget(box);
    m_lines->setObjectName(QStringLiteral("legibility"));
    m_lines->setRootIsDecorated(false);
    m_lines->setSelectionMode(QAbstractItemView::NoSelection);
    m_lines->setHeaderLabels({QStringLiteral("Text"), QStringLiteral("Contrast"), QString()});
    m_lines->header()->setStretchLastSection(true);
    layout->addWidget(m_lines);
    layout->addStretch(1);
    fitLinesHeight();
    return box;
}

WebExportOptions WebExportWindow::options() const
{
    WebExportOptions o;
    o.compact = m_compact->isChecked();
    o.matte = m_matte->isChecked();
    o.pageColour = m_pageColour;
    o.interlaced = m_interlaced->isChecked();
    o.maxColours = m_colours->value();
    o.budgetBytes = budgetBytes();
    return o;
}

void WebExportWindow::setPageColour(QRgb colour)
{
    m_pageColour = qRgb(qRed(colour), qGreen(colour), qBlue(colour));
    m_pageSwatch->setPixmap(swatchIcon(m_pageColour, 18).pixmap(18, 18));
    m_pageSwatch->setToolTip(colourText(m_pageColour));
    scheduleAnalysis();
}

void WebExportWindow::setBudgetBytes(qint64 bytes)
{
    // The field counts whole KB; a budget between is rounded down.
    m_budget->setValue(int(std::max<qint64>(0, bytes) / 1024));
}

bool WebExportWindow::isAnalysing() const { return m_awaiting || m_coalesce->isActive(); }

qint64 WebExportWindow::budgetBytes() const { return qint64(m_budget->value()) * 1024; }

void WebExportWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_dirty)
        scheduleAnalysis();
}

void WebExportWindow::hideEvent(QHideEvent* event)
{
    // A playback left running would start mid-way when the window comes back.
    m_loading->stop();
    m_stage = -1;
    QWidget::hideEvent(event);
}

void WebExportWindow::scheduleAnalysis()
{
    m_dirty = true;
    // A hidden window asks for nothing; showing it catches up.
    if (!isVisible())
        return;
    m_coalesce->start();
}

void WebExportWindow::analyse()
{
    m_dirty = false;
    m_awaiting = true;
    m_status->setText(QStringLiteral("Updating..."));
    m_analyser->request(m_document.image(), m_document.textItems(), options());
}

void WebExportWindow::showReport(const WebExportReport& report)
{
    m_report = report;
    // A newer request may be waiting behind this one.
    m_awaiting = m_analyser->busy() || m_coalesce->isActive();
    m_status->setStyleSheet(report.ok() ? QString() : QStringLiteral("color: #b00000;"));
    if (!report.ok())
        m_status->setText(report.error);
    else
        m_status->setText(m_awaiting ? QStringLiteral("Updating...") : QString());
    m_export->setEnabled(report.ok());
    showPreviews();
    showBytes();
    showColours();
    showHidden();
    showLegibility();
    fitToContent();
    emit reportShown();
}

void WebExportWindow::fitToContent()
{
    // Sized to what the first report shows rather than to a guess; later it
    // grows when a finding appears that does not fit, and it stays on its
    // screen either way.
    const QSize want = sizeHint();
    if (m_sized && want.height() <= height() && want.width() <= width())
        return;
    const QPoint centre = frameGeometry().center();
    if (m_sized)
        resize(want.expandedTo(size()));
    else
        adjustSize();
    m_sized = true;
    QRect frame = frameGeometry();
    if (!isVisible())
        return;
    if (!m_movedOnce) {
        frame.moveCenter(centre);
        m_movedOnce = true;
    }
    if (const QScreen* screen = this->screen()) {
        const QRect avail = screen->availableGeometry();
        frame.moveRight(std::min(frame.right(), avail.right()));
        frame.moveBottom(std::min(frame.bottom(), avail.bottom()));
        frame.moveLeft(std::max(frame.left(), avail.left()));
        frame.moveTop(std::max(frame.top(), avail.top()));
    }
    move(frame.topLeft());
}

void WebExportWindow::showPreviews()
{
    const QSize size = m_report.drawn.size();
    if (!size.isEmpty() && (size.height() > size.width()) != m_sideBySide) {
        arrangePreviews(size.height() > size.width());
        // The other arrangement wants another shape: sized afresh.
        m_sized = false;
    }
    m_drawn->setImage(m_report.drawn);
    const bool matte = m_matte->isChecked();
    if (m_stage >= 0)
        m_pageCaption->setText(QStringLiteral("Loading, pass %1 of 4").arg(m_stage + 1));
    else
        m_pageCaption->setText(matte ? QStringLiteral("On the page, matte") : QStringLiteral("On the page"));
    m_otherCaption->setText(matte ? QStringLiteral("Without matte") : QStringLiteral("With matte"));
    m_other->setImage(matte ? m_report.previewPlain : m_report.previewMatte);
    // On a white page, or a banner with no soft edges, the matte changes
    // nothing: a second, identical picture would only ask the eye to compare.
    const bool differs = m_report.previewPlain != m_report.previewMatte;
    m_other->setVisible(differs);
    m_otherCaption->setVisible(differs);
    if (m_stage >= 0 && m_stage < m_report.passes.size())
        m_page->setImage(m_report.passes.at(m_stage));
    else
        m_page->setImage(m_report.preview);
    m_play->setEnabled(m_report.passes.size() == 4);
}

void WebExportWindow::showBytes()
{
    const WebExportReport& r = m_report;
    if (!r.ok()) {
        m_bytes->clear();
        m_fitText->clear();
        m_fit->setEnabled(false);
        return;
    }
    const bool compact = m_compact->isChecked();
    auto part = [](const QString& name, qint64 n, bool chosen) {
        const QString text = name + QLatin1Char(' ') + bytesText(n);
        return chosen ? QStringLiteral("<b>%1</b>").arg(text) : text;
    };
    m_bytes->setText(part(QStringLiteral("As exported"), r.exactBytes, !compact) + QStringLiteral(" &nbsp;·&nbsp; ")
                     + part(QStringLiteral("Compact"), r.compactBytes, compact));

    const qint64 budget = budgetBytes();
    m_fit->setEnabled(false);
    if (budget <= 0) {
        m_fitText->setText(QStringLiteral("No budget set."));
        return;
    }
    if (r.fitsBudget) {
        m_fitText->setText(
            QStringLiteral("Fits the %1 KB budget, %2 to spare.").arg(budget / 1024).arg(bytesText(budget - r.bytes)));
        return;
    }
    QString text = QStringLiteral("<span style='color:#b00000'>Over the %1 KB budget by %2.</span> ")
                       .arg(budget / 1024)
                       .arg(bytesText(r.bytes - budget));
    if (r.fit) {
        text += QStringLiteral("With %1 it fits: %2, %3 less.")
                    .arg(stepText(*r.fit), bytesText(r.fit->bytes), bytesText(r.fit->saving));
        m_fit->setEnabled(true);
    } else if (!r.fitSteps.isEmpty()) {
        const FitStep* best = &r.fitSteps.constFirst();
        for (const FitStep& s : r.fitSteps)
            if (s.bytes < best->bytes)
                best = &s;
        text += QStringLiteral("Nothing here makes it fit; the smallest is %1 at %2. "
                               "A smaller picture or fewer details would.")
                    .arg(stepText(*best), bytesText(best->bytes));
    }
    m_fitText->setText(text);
}

void WebExportWindow::showColours()
{
    const WebExportReport& r = m_report;
    m_merges->clear();
    if (!r.ok()) {
        m_colourText->clear();
        m_merges->hide();
        return;
    }
    if (r.merges.isEmpty()) {
        m_colourText->setText(QStringLiteral("%1 colours, all kept.").arg(r.distinctColours));
        m_merges->hide();
        return;
    }
    qint64 touched = 0;
    for (const ColourMerge& m : r.merges)
        touched += m.pixels;
    m_colourText->setText(QStringLiteral("%1 colours: a GIF holds 256, so %2 are merged into others, "
                                         "changing %3 pixels.")
                              .arg(r.distinctColours)
                              .arg(r.merges.size())
                              .arg(QLocale().toString(touched)));
    // Most pixels first; a photo merges thousands of colours, and a list that
    // long says no more than its head and a count.
    const qsizetype shown = std::min<qsizetype>(r.merges.size(), MergesListed);
    for (qsizetype i = 0; i < shown; ++i) {
        const ColourMerge& m = r.merges.at(i);
        auto* item = new QListWidgetItem(mergeIcon(m.from, m.to),
                                         QStringLiteral("%1 \u2192 %2    %3 px")
                                             .arg(colourText(m.from), colourText(m.to), QLocale().toString(m.pixels)),
                                         m_merges);
        item->setData(Qt::UserRole, QVariant::fromValue(m.from));
        item->setData(Qt::UserRole + 1, QVariant::fromValue(m.to));
        item->setData(Qt::UserRole + 2, QVariant::fromValue(m.pixels));
    }
    if (shown < r.merges.size()) {
        qint64 rest = 0;
        for (qsizetype i = shown; i < r.merges.size(); ++i)
            rest += r.merges.at(i).pixels;
        auto* more =
            new QListWidgetItem(QStringLiteral("... and %1 more, %2 px")
                                    .arg(QLocale().toString(r.merges.size() - shown), QLocale().toString(rest)),
                                m_merges);
        more->setForeground(palette().color(QPalette::PlaceholderText));
    }
    m_merges->show();
}

void WebExportWindow::showHidden()
{
    const WebExportReport& r = m_report;
    if (!r.ok() || r.hiddenPixels <= 0) {
        m_hiddenBox->hide();
        m_hiddenView->setImage({});
        return;
    }
    const QString count = r.hiddenPixels == 1
        ? QStringLiteral("1 text pixel is")
        : QStringLiteral("%1 text pixels are").arg(QLocale().toString(r.hiddenPixels));
    m_hiddenText->setText(count
                          + QStringLiteral(" written as white, the colour the GIF makes transparent: on the "
                                           "page they show the page colour. Marked in red below; a text "
                                           "colour further from white keeps them."));
    QImage marked = r.drawn.convertToFormat(QImage::Format_RGB32);
    {
        QPainter p(&marked);
        p.drawImage(0, 0, r.hiddenMask);
    }
    m_hiddenView->setImage(marked);
    m_hiddenBox->show();
}

void WebExportWindow::showLegibility()
{
    m_lines->clear();
    if (!m_report.ok() || m_report.lines.isEmpty()) {
        auto* none = new QTreeWidgetItem(m_lines, {QStringLiteral("No text printed on the banner yet.")});
        none->setFirstColumnSpanned(true);
        fitLinesHeight();
        return;
    }
    for (const TextLegibility& line : m_report.lines) {
        auto* item = new QTreeWidgetItem(m_lines);
        item->setIcon(0, swatchIcon(line.colour));
        item->setText(0, line.text.isEmpty() ? QStringLiteral("(empty line)") : line.text);
        item->setText(1, ratioText(line.contrast));
        item->setData(1, Qt::UserRole, line.contrast);
        if (line.passes) {
            item->setText(2, QStringLiteral("Readable"));
        } else if (line.hasSuggestion) {
            item->setText(2,
                          QStringLiteral("Below %1:1; try palette colour %2")
                              .arg(kLegibleContrast, 0, 'f', 1)
                              .arg(colourText(line.suggestion)));
            item->setIcon(2, swatchIcon(line.suggestion));
            item->setData(2, Qt::UserRole, QVariant::fromValue(line.suggestion));
            item->setForeground(1, QColor(176, 0, 0));
        } else {
            item->setText(
                2, QStringLiteral("Below %1:1; no palette colour reads well here").arg(kLegibleContrast, 0, 'f', 1));
            item->setForeground(1, QColor(176, 0, 0));
        }
    }
    m_lines->resizeColumnToContents(0);
    m_lines->resizeColumnToContents(1);
    fitLinesHeight();
}

void WebExportWindow::fitLinesHeight()
{
    // As tall as its lines, up to five; a scroll bar beyond.
    const int rows = std::clamp(m_lines->topLevelItemCount(), 1, 5);
    const int row = m_lines->sizeHintForRow(0) > 0 ? m_lines->sizeHintForRow(0) : fontMetrics().height() + 4;
    m_lines->setFixedHeight(m_lines->header()->sizeHint().height() + rows * row + 2 * m_lines->frameWidth() + 2);
}

void WebExportWindow::applyFit()
{
    if (!m_report.fit)
        return;
    const FitStep step = *m_report.fit;
    m_compact->setChecked(step.compact);
    m_exact->setChecked(!step.compact);
    m_interlaced->setChecked(step.interlaced);
    m_colours->setValue(step.maxColours);
    scheduleAnalysis();
}

void WebExportWindow::playLoading()
{
    if (m_report.passes.size() != 4)
        return;
    m_stage = 0;
    showPreviews();
    m_loading->start();
}

void WebExportWindow::stepLoading()
{
    ++m_stage;
    if (m_stage >= m_report.passes.size()) {
        m_stage = -1;
        m_loading->stop();
    }
    showPreviews();
}

void WebExportWindow::chooseOtherPageColour()
{
    const std::optional<QColor> chosen = m_dialogs.provider().chooseColor(this, QColor(m_pageColour));
    if (chosen && chosen->isValid())
        setPageColour(chosen->rgb());
}

void WebExportWindow::warn(const QString& text)
{
    m_dialogs.provider().message(this,
                                 MessageRequest{ModStart::appTitle(), text, MessageButtons::Ok, MessageIcon::Warning});
}

bool WebExportWindow::exportGif()
{
    // Refused before the dialog, as the other saves refuse it.
    if (m_document.image().isNull()) {
        warn(QStringLiteral("The banner has no pixels (its width or height is 0).\n"
                            "Give it a size with Banner Size first."));
        return false;
    }
    FileDialogRequest request;
    request.nameFilters = CommonDialog::toNameFilters(kGifFilter);
    request.defaultExt = QStringLiteral("gif");
    // The first time, where the user last saved; then the last name used here.
    const QString start = m_fileName.isEmpty() ? m_dialogs.fileName() : m_fileName;
    request.fileName = CommonDialog::saveName(start, kGifFilter, request.defaultExt);
    const std::optional<QString> chosen = m_dialogs.provider().chooseSaveFile(this, request);
    if (!chosen || chosen->isEmpty())
        return false;
    const QString fileName = CommonDialog::withDefaultExt(*chosen, request.defaultExt);
    m_fileName = fileName;

    // The report on show answers the banner and options as they are unless
    // a change is still on its way; then the GIF is made here and now.
    WebExportReport made;
    const WebExportReport* report = &m_report;
    if (m_awaiting || m_dirty || m_report.gif.isEmpty()) {
        made = AnalyseForWeb(m_document.image(), ResolveTextColours(m_document.textItems()), options());
        report = &made;
    }
    if (!report->ok() || report->gif.isEmpty()) {
        warn(QStringLiteral("The GIF cannot be made: %1").arg(report->error));
        return false;
    }
    QString reason;
    if (const PictureFiles::Status status = SaveWebGif(fileName, report->gif, &reason);
        status != PictureFiles::Status::Ok) {
        warn(PictureFiles::describeSaveFailure(status, reason, fileName));
        return false;
    }
    m_status->setText(
        QStringLiteral("Saved %1 (%2).")
            .arg(QDir::toNativeSeparators(QFileInfo(fileName).fileName()), bytesText(report->gif.size())));
    return true;
}
