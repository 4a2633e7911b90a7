#include "screenshoteditor/ScreenshotEditorView.h"

#include "components/StudioButton.h"
#include "components/StudioInspector.h"
#include "components/StudioLabel.h"
#include "components/StudioToolRail.h"
#include "components/WindowSheet.h"
#include "preferences/AppPreferences.h"
#include "screenshoteditor/CropPanel.h"
#include "screenshoteditor/ImageCanvasPanel.h"
#include "screenshoteditor/ImageCanvasView.h"
#include "screenshoteditor/ImageEditorSession.h"
#include "screenshoteditor/MarkupPanel.h"
#include "screenshoteditor/ScreenshotSetupSheet.h"
#include "screenshots/ScreenshotModel.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace sablewick {

namespace presenter = ScreenshotEditorPresenter;

namespace {

constexpr int railWidth = 54;

QHBoxLayout* row(QWidget* owner, int margin)
{
    auto* layout = new QHBoxLayout(owner);
    layout->setContentsMargins(margin, margin, margin, margin);
    return layout;
}

}  // namespace

// --- the "Add text" prompt

AddTextPrompt::AddTextPrompt(const QString& text, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Add text"));
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    // Left to its content the prompt is narrower than a title bar needs for its title beside the
    // window's buttons, and the field shows only a few words.
    setMinimumWidth(minimumWidth);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new StudioLabel(QStringLiteral("Add text"), StudioTextStyle::headline));
    m_field = new QLineEdit(text);
    m_field->setPlaceholderText(QStringLiteral("Text"));
    m_field->setAccessibleName(QStringLiteral("Text"));
    layout->addWidget(m_field);
    auto* buttons = new QDialogButtonBox;
    m_add = buttons->addButton(QStringLiteral("Add"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Only emptiness disables "Add": a single space is a text the user may want.
    const auto follow = [this] { m_add->setEnabled(!m_field->text().isEmpty()); };
    connect(m_field, &QLineEdit::textChanged, this, follow);
    follow();
    m_add->setDefault(true);
}

// --- the view

ScreenshotEditorView::ScreenshotEditorView(ScreenshotEditorServices services, QWidget* parent)
    : QWidget(parent)
    , m_services(std::move(services))
    , m_session(*m_services.session)
    , m_model(m_session.screenshot())
    , m_preferences(*m_services.preferences)
{
    setObjectName(QStringLiteral("screenshotEditor"));
    setAcceptDrops(true);
    setMinimumSize(minimumWindowSize);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    m_body = new QWidget(this);
    root->addWidget(m_body);
    auto* body = new QVBoxLayout(m_body);
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);

    m_updateBanner = new QWidget(m_body);
    m_updateBanner->setObjectName(QStringLiteral("updateBanner"));
    auto* banner = row(m_updateBanner, 12);
    banner->addWidget(new StudioLabel(QStringLiteral("An update is ready. Your edit can come with you."),
                                      StudioTextStyle::caption));
    banner->addStretch(1);
    auto* reopen = new StudioButton(QStringLiteral("Save & reopen"), QString(), StudioButtonVariant::primary,
                                    StudioControlSize::regular);
    reopen->setObjectName(QStringLiteral("saveAndReopen"));
    // A refusal or a cancelled save leaves the window as it is, with the banner up.
    connect(reopen, &StudioButton::clicked, this, [this] { m_session.saveAndReopenForUpdate(); });
    banner->addWidget(reopen);
    m_updateBanner->hide();
    body->addWidget(m_updateBanner);

    auto* middle = new QHBoxLayout;
    middle->setSpacing(0);
    m_stack = new QStackedWidget(m_body);
    m_stack->addWidget(buildEmptyState());
    m_stack->addWidget(buildEditor());
    middle->addWidget(m_stack, 1);
    m_inspectorColumn = new QWidget(m_body);
    m_inspectorColumn->setMinimumWidth(290);
    m_inspectorColumn->setMaximumWidth(400);
    auto* column = new QVBoxLayout(m_inspectorColumn);
    column->setContentsMargins(0, 0, 0, 0);
    m_inspector = new StudioInspector(presenter::panelTitle(m_panel), presenter::panelSymbol(m_panel),
                                      presenter::panelSubtitle(m_panel), m_inspectorColumn);
    // Narrower than this, the canvas page's pickers would be cut.
    m_inspector->setIdealWidth(318);
    column->addWidget(m_inspector);
    middle->addWidget(m_inspectorColumn);
    body->addLayout(middle, 1);

    m_progress = new ImageExportProgress(m_model, this);
    m_progress->hide();

    buildToolbar();
    buildShortcuts();

    for (auto signal : {&ScreenshotModel::settingsChanged, &ScreenshotModel::canUndoChanged,
                        &ScreenshotModel::canRedoChanged, &ScreenshotModel::hasUnsavedEditsChanged,
                        &ScreenshotModel::noticeChanged, &ScreenshotModel::projectURLChanged})
        connect(&m_model, signal, this, &ScreenshotEditorView::scheduleRefresh);
    connect(&m_model, &ScreenshotModel::sourceChanged, this, &ScreenshotEditorView::sourceChanged);
    connect(&m_model, &ScreenshotModel::annotationsChanged, this, &ScreenshotEditorView::annotationsChanged);
    // The card must come and go with the export at once, not on the next turn of the loop: the
    // window is disabled for exactly as long as the export runs.
    connect(&m_model, &ScreenshotModel::isExportingChanged, this, &ScreenshotEditorView::refresh);
    connect(&m_preferences, &AppPreferences::shortcutOverridesChanged, this, &ScreenshotEditorView::refreshCommands);
    connect(&m_preferences, &AppPreferences::shortcutCaptureChanged, this, &ScreenshotEditorView::refreshCommands);
    connect(&m_preferences, &AppPreferences::applicationAppearanceApplied, this, &ScreenshotEditorView::restyleIcons);

    m_updateTimer = new QTimer(this);
    m_updateTimer->setInterval(updateCheckInterval);
    connect(m_updateTimer, &QTimer::timeout, this, &ScreenshotEditorView::checkForInstalledUpdate);
    m_updateTimer->start();

    m_shownSource = m_model.sourceURL();
    refresh();
}

ScreenshotEditorView::~ScreenshotEditorView()
{
    // The prompt and the sheets are windows of their own; they go with the window that asked.
    for (QWidget* dialog : {static_cast<QWidget*>(m_textPrompt.data()), static_cast<QWidget*>(m_captureSheet.data()),
                            static_cast<QWidget*>(m_exportSheet.data())})
        delete dialog;
}

QWidget* ScreenshotEditorView::buildEmptyState()
{
    auto* empty = new QWidget;
    empty->setObjectName(QStringLiteral("emptyState"));
    auto* outer = new QVBoxLayout(empty);
    outer->addStretch(1);
    auto* icon = new QLabel;
    icon->setObjectName(QStringLiteral("emptySymbol"));
    icon->setAlignment(Qt::AlignCenter);
    outer->addWidget(icon);
    auto* heading = new StudioLabel(QStringLiteral("A moment, beautifully framed."), StudioTextStyle::title);
    heading->setAlignment(Qt::AlignCenter);
    outer->addWidget(heading);
    auto* description = new StudioLabel(QStringLiteral("Capture your screen, open an image or paste one from the clipboard."),
                                        StudioTextStyle::body, StudioLabelRole::secondary);
    description->setAlignment(Qt::AlignCenter);
    description->setWordWrap(true);
    outer->addWidget(description);
    auto* actions = new QHBoxLayout;
    actions->addStretch(1);
    m_takeScreenshot = new StudioButton(QStringLiteral("Take screenshot"), QString(), StudioButtonVariant::primary,
                                        StudioControlSize::regular);
    connect(m_takeScreenshot, &StudioButton::clicked, this, &ScreenshotEditorView::showCaptureSheet);
    actions->addWidget(m_takeScreenshot);
    auto* open = new StudioButton(QString::fromUtf8("Open image…"), QString(), StudioButtonVariant::secondary,
                                  StudioControlSize::regular);
    open->setObjectName(QStringLiteral("openImageButton"));
    connect(open, &StudioButton::clicked, this, [this] { m_session.importImage(); });
    actions->addWidget(open);
    m_continue = new StudioButton(QStringLiteral("Continue last screenshot edit"), QString(),
                                  StudioButtonVariant::secondary, StudioControlSize::regular);
    // A failure shows as the model's notice.
    connect(m_continue, &StudioButton::clicked, this,
            [this] { m_model.openProject(QUrl::fromLocalFile(ScreenshotModel::recoveryPath())); });
    actions->addWidget(m_continue);
    actions->addStretch(1);
    outer->addLayout(actions);
    m_emptyNotice = new StudioLabel(QString(), StudioTextStyle::callout, StudioLabelRole::secondary);
    m_emptyNotice->setObjectName(QStringLiteral("emptyNotice"));
    m_emptyNotice->setAlignment(Qt::AlignCenter);
    m_emptyNotice->setWordWrap(true);
    m_emptyNotice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_emptyNotice->setContentsMargins(24, 0, 24, 20);
    outer->addWidget(m_emptyNotice);
    outer->addStretch(1);
    return empty;
}

QWidget* ScreenshotEditorView::buildEditor()
{
    auto* editor = new QWidget;
    auto* layout = new QVBoxLayout(editor);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* editing = new QHBoxLayout;
    editing->setSpacing(0);
    m_canvas = new ImageCanvasView(m_model, editor);
    m_canvas->setAutoFillBackground(true);
    m_canvas->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_canvas, &QWidget::customContextMenuRequested, this, &ScreenshotEditorView::showContextMenu);
    connect(m_canvas, &ImageCanvasView::gestureChanged, this, [this] {
        toolChanged();
        scheduleRefresh();
    });
    connect(m_canvas, &ImageCanvasView::textRequested, this, [this] {
        if (const std::optional<QPointF>& anchor = m_canvas->gesture().textAnchor())
            promptForText(*anchor);
    });
    editing->addWidget(m_canvas, 1);

    m_rail = StudioToolRail::make<ImagePanel>(
        StudioBinding<ImagePanel>{[this] { return m_panel; }, [this](const ImagePanel& p) { m_panel = p; }},
        StudioBinding<bool>{[this] { return m_inspectorVisible; }, [this](const bool& v) { m_inspectorVisible = v; }},
        std::vector<ImagePanel>(allImagePanels.begin(), allImagePanels.end()), presenter::panelTitle,
        presenter::panelSymbol, [this](const ImagePanel& panel) { choosePanel(panel); }, editor);
    m_rail->setFixedWidth(railWidth);
    editing->addWidget(m_rail);
    layout->addLayout(editing, 1);

    auto* footer = new QWidget(editor);
    auto* footerLayout = row(footer, 12);
    m_hint = new StudioLabel(QString(), StudioTextStyle::caption, StudioLabelRole::secondary, footer);
    m_hint->setObjectName(QStringLiteral("hint"));
    footerLayout->addWidget(m_hint);
    footerLayout->addStretch(1);
    m_size = new StudioLabel(QString(), StudioTextStyle::caption, StudioLabelRole::secondary, footer);
    m_size->setObjectName(QStringLiteral("outputSize"));
    footerLayout->addWidget(m_size);
    m_notice = new StudioLabel(QString(), StudioTextStyle::caption, StudioLabelRole::primary, footer);
    m_notice->setObjectName(QStringLiteral("notice"));
    m_notice->setWordWrap(false);
    footerLayout->addWidget(m_notice);
    layout->addWidget(footer);
    return editor;
}

// --- state

ScreenshotTool ScreenshotEditorView::tool() const
{
    return m_canvas->gesture().tool();
}

std::optional<QUuid> ScreenshotEditorView::selected() const
{
    return m_canvas->gesture().selected();
}

void ScreenshotEditorView::pickTool(ScreenshotTool tool)
{
    if (tool == this->tool())
        return;
    m_canvas->gesture().setTool(tool);
    m_panel = presenter::panelForTool(tool, m_panel);
    toolChanged();
    refresh();
}

void ScreenshotEditorView::choosePanel(ImagePanel panel)
{
    m_panel = panel;
    m_inspectorVisible = true;
    const ScreenshotTool tool = presenter::toolForPanel(panel, this->tool());
    if (tool != this->tool()) {
        m_canvas->gesture().setTool(tool);
        toolChanged();
    }
    refresh();
}

void ScreenshotEditorView::toolChanged()
{
    // A tool change ends what the old tool was doing; the gesture has let go of it, and the
    // preview must lose its draft.
    if (tool() == m_shownTool)
        return;
    m_shownTool = tool();
    if (m_model.draft())
        m_model.setDraft(std::nullopt);
}

void ScreenshotEditorView::sourceChanged()
{
    if (m_model.sourceURL() != m_shownSource) {
        m_shownSource = m_model.sourceURL();
        ImageCanvasGesture& gesture = m_canvas->gesture();
        gesture.abandonDrag();
        gesture.setSelected(std::nullopt);
        if (m_model.draft())
            m_model.setDraft(std::nullopt);
    }
    scheduleRefresh();
}

void ScreenshotEditorView::annotationsChanged()
{
    ImageCanvasGesture& gesture = m_canvas->gesture();
    if (const std::optional<QUuid>& id = gesture.selected()) {
        const auto& marks = m_model.annotations();
        if (std::none_of(marks.begin(), marks.end(), [&](const ScreenshotAnnotation& a) { return a.id == *id; }))
            gesture.setSelected(std::nullopt);
    }
    scheduleRefresh();
}

void ScreenshotEditorView::cancelInteraction()
{
    m_canvas->gesture().cancel();
    if (m_model.draft())
        m_model.setDraft(std::nullopt);
    toolChanged();
    m_canvas->update();
    refresh();
}

// --- commands

void ScreenshotEditorView::deleteSelection()
{
    ImageCanvasGesture& gesture = m_canvas->gesture();
    const std::optional<QUuid> id = gesture.selected();
    if (!id)
        return;
    // Edits still pending become their own step first, so the removal is exactly one.
    m_model.flushEdits();
    std::vector<ScreenshotAnnotation> marks = m_model.annotations();
    std::erase_if(marks, [&](const ScreenshotAnnotation& a) { return a.id == *id; });
    m_model.setAnnotations(std::move(marks));
    gesture.setSelected(std::nullopt);
    m_model.flushEdits();
    m_canvas->update();
    scheduleRefresh();
}

void ScreenshotEditorView::resetCrop()
{
    m_model.flushEdits();
    EditSettings settings = m_model.settings();
    for (double EditSettings::*edge :
         {&EditSettings::cropLeft, &EditSettings::cropRight, &EditSettings::cropTop, &EditSettings::cropBottom}) {
        if (settings.*edge == 0)
            continue;
        settings.*edge = 0;
        m_model.setSettings(settings);
    }
    m_model.flushEdits();
}

void ScreenshotEditorView::copyImage()
{
    m_model.exportImage(std::nullopt, ScreenshotFormat::png, 0.92, 1, true);
}

void ScreenshotEditorView::promptForText(QPointF anchor)
{
    if (m_textPrompt)
        return;
    m_textAnchor = anchor;
    m_text.clear();
    m_textPrompt = new AddTextPrompt(m_text, window());
    connect(m_textPrompt->field(), &QLineEdit::textChanged, this, [this](const QString& text) { m_text = text; });
    connect(m_textPrompt, &QDialog::accepted, this, &ScreenshotEditorView::addText);
    m_textPrompt->open();
}

void ScreenshotEditorView::addText()
{
    const std::optional<ScreenshotAnnotation> mark = presenter::textAnnotation(
        m_textAnchor, m_text, m_canvas->gesture().color(), m_canvas->gesture().weight());
    if (!mark)
        return;
    std::vector<ScreenshotAnnotation> marks = m_model.annotations();
    marks.push_back(*mark);
    m_model.setAnnotations(std::move(marks));
    // One step at once, without waiting for the pause that folds quick edits together.
    m_model.flushEdits();
}

void ScreenshotEditorView::showCaptureSheet()
{
    if (m_captureSheet)
        return;
    auto* content = new ScreenshotSetupSheet(m_services.displays ? m_services.displays : &DisplayList::current);
    m_pendingCapture.reset();
    m_captureSheet = WindowSheet::present(window(), content, true);
    connect(content, &ScreenshotSetupSheet::captureRequested, this, [this](const ScreenshotCaptureOptions& options) {
        m_pendingCapture = options;
        if (m_captureSheet)
            m_captureSheet->closeFromCode();
    });
    connect(content, &ScreenshotSetupSheet::dismissRequested, this, [this] {
        if (m_captureSheet)
            m_captureSheet->closeFromCode();
    });
    // The capture starts once the sheet is gone from the screen, so that it is not in the picture.
    connect(m_captureSheet, &QDialog::finished, this, [this] {
        if (const std::optional<ScreenshotCaptureOptions> options = std::exchange(m_pendingCapture, std::nullopt))
            QTimer::singleShot(0, this, [this, options] { m_session.captureScreenshot(*options); });
    });
}

ImageExportSheet* ScreenshotEditorView::exportSheet() const
{
    return m_exportSheet ? m_exportSheet->findChild<ImageExportSheet*>() : nullptr;
}

void ScreenshotEditorView::showExportSheet()
{
    if (m_exportSheet || m_model.source().isNull() || m_model.isExporting())
        return;
    m_pendingExport = false;
    auto* content = new ImageExportSheet(
        m_model,
        {StudioBinding<ScreenshotFormat>::to(m_exportFormat), StudioBinding<double>::to(m_exportScale),
         StudioBinding<double>::to(m_exportQuality)},
        [this](bool confirmed) {
            m_pendingExport = confirmed;
            if (m_exportSheet)
                m_exportSheet->closeFromCode();
        });
    m_exportSheet = WindowSheet::present(window(), content, true);
    // The save panel opens once the sheet has gone, never on top of it.
    connect(m_exportSheet, &QDialog::finished, this, [this] {
        if (!std::exchange(m_pendingExport, false))
            return;
        QTimer::singleShot(0, this, [this] {
            const ExportPathChooser choose =
                m_services.chooseExportPath ? m_services.chooseExportPath : exportSavePanel(window());
            exportImage(m_model, m_exportFormat, m_exportQuality, m_exportScale, choose);
        });
    });
}

void ScreenshotEditorView::checkForInstalledUpdate()
{
    const bool available = m_session.hasInstalledUpdate();
    if (available == m_updateAvailable)
        return;
    m_updateAvailable = available;
    refresh();
}

void ScreenshotEditorView::showContextMenu(QPoint position)
{
    const presenter::Commands commands = presenter::Commands::make(
        {!m_model.source().isNull(), m_model.canUndo(), m_model.canRedo(), selected().has_value(), m_model.isExporting()});
    QMenu menu(this);
    QAction* remove = menu.addAction(QStringLiteral("Delete annotation"), this, &ScreenshotEditorView::deleteSelection);
    remove->setEnabled(commands.deleteAnnotation);
    menu.addAction(QStringLiteral("Undo"), &m_model, &ScreenshotModel::undo)->setEnabled(commands.undo);
    menu.addAction(QStringLiteral("Reset crop"), this, &ScreenshotEditorView::resetCrop);
    menu.addAction(QStringLiteral("Copy image"), this, &ScreenshotEditorView::copyImage);
    menu.exec(m_canvas->mapToGlobal(position));
}

// --- presentation

QString ScreenshotEditorView::title() const
{
    return presenter::windowTitle(m_model.sourceURL());
}

QString ScreenshotEditorView::subtitle() const
{
    return presenter::windowSubtitle(m_model.hasUnsavedEdits());
}

bool ScreenshotEditorView::isShowingEmptyState() const
{
    return m_stack->currentIndex() == 0;
}

void ScreenshotEditorView::scheduleRefresh()
{
    // Bursts of model signals (an open publishes several values) redraw once.
    if (m_refreshScheduled)
        return;
    m_refreshScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_refreshScheduled = false;
        refresh();
    });
}

void ScreenshotEditorView::refresh()
{
    const bool hasSource = !m_model.source().isNull();
    m_updateBanner->setVisible(m_updateAvailable);
    m_stack->setCurrentIndex(hasSource ? 1 : 0);
    const std::optional<QString>& notice = m_model.notice();
    if (hasSource) {
        m_hint->setText(presenter::footerHint(tool()));
        m_size->setText(presenter::outputSizeText(m_model.sourceSize(), m_model.settings()));
        m_notice->setText(notice.value_or(QString()));
        m_notice->setVisible(notice.has_value());
        m_rail->refresh();
    } else {
        // Asked every time: the recovery copy may have been written or removed meanwhile.
        m_continue->setVisible(QFile::exists(ScreenshotModel::recoveryPath()));
        m_emptyNotice->setText(notice.value_or(QString()));
        m_emptyNotice->setVisible(notice.has_value());
    }
    m_inspectorColumn->setVisible(m_inspectorVisible);
    refreshInspector();
    refreshCommands();

    const bool exporting = m_model.isExporting();
    m_body->setEnabled(!exporting);
    m_progress->setVisible(exporting);
    if (exporting) {
        placeProgressCard();
        m_progress->raise();
    }

    window()->setWindowTitle(title());
    m_subtitle->setText(subtitle());
    emit presentationChanged();
}

void ScreenshotEditorView::placeProgressCard()
{
    const QSize size = m_progress->sizeHint();
    m_progress->setGeometry(QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size));
}

void ScreenshotEditorView::refreshInspector()
{
    m_inspector->setHeader(presenter::panelTitle(m_panel), presenter::panelSymbol(m_panel),
                           presenter::panelSubtitle(m_panel));
    if (!m_page || m_pagePanel != m_panel) {
        QWidget* page = nullptr;
        switch (m_panel) {
        case ImagePanel::canvas:
            page = makeImageCanvasPanel(m_model, *m_services.presets);
            break;
        case ImagePanel::markup: {
            ImageCanvasGesture* gesture = &m_canvas->gesture();
            MarkupPanelHost host{
                {[gesture] { return gesture->color(); }, [gesture](const RgbColor& c) { gesture->setColor(c); }},
                {[gesture] { return gesture->weight(); }, [gesture](const double& w) { gesture->setWeight(w); }},
                [gesture] { return gesture->tool(); },
                {[gesture] { return gesture->selected(); },
                 [this, gesture](const std::optional<QUuid>& id) {
                     gesture->setSelected(id);
                     m_canvas->update();
                 }},
                [this](QPointF anchor) { promptForText(anchor); },
                [this] { deleteSelection(); }};
            page = new MarkupPanel(m_model, std::move(host));
            break;
        }
        case ImagePanel::crop:
            page = new CropPanel(m_model, [this] { resetCrop(); });
            break;
        }
        m_page = page;
        m_pagePanel = m_panel;
        m_inspector->setContent(page);
    } else if (auto* markup = qobject_cast<MarkupPanel*>(m_page.data())) {
        // The page shows the window's state (tool, selection), which the model does not publish.
        markup->refresh();
    }
}

// --- events

void ScreenshotEditorView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The window's title was set by whoever made the window; this view decides it from now on.
    refresh();
    if (!m_appeared) {
        m_appeared = true;
        m_session.windowAppeared();
    }
}

void ScreenshotEditorView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_progress->isVisible())
        placeProgressCard();
}

void ScreenshotEditorView::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls() && !m_model.isExporting())
        event->acceptProposedAction();
}

void ScreenshotEditorView::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!presenter::acceptsDrop(static_cast<int>(urls.size()), m_model.isExporting())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // The drag source waits for the answer; the open (which may ask about unsaved edits) runs after.
    const QUrl first = urls.first();
    QTimer::singleShot(0, this, [this, first] { m_session.openImage(first); });
}

// --- the window

ScreenshotEditorWindow::ScreenshotEditorWindow(ScreenshotEditorServices services, QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("screenshot"));
    m_view = new ScreenshotEditorView(std::move(services), this);
    setCentralWidget(m_view);
    addToolBar(Qt::TopToolBarArea, m_view->toolbar());
    setMinimumSize(ScreenshotEditorView::minimumWindowSize);
    setWindowTitle(m_view->title());
}

void ScreenshotEditorWindow::closeEvent(QCloseEvent* event)
{
    // What was edited survives the closed window: pending edits become a step, and the recovery
    // copy is written before the window goes.
    ScreenshotModel& model = m_view->model();
    model.flushEdits();
    model.saveRecovery();
    QMainWindow::closeEvent(event);
}

}  // namespace sablewick
