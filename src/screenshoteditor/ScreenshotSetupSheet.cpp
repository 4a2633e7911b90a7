#include "screenshoteditor/ScreenshotSetupSheet.h"

#include "components/StudioButton.h"
#include "components/StudioLabel.h"
#include "components/StudioMenuPicker.h"
#include "components/StudioSegments.h"
#include "components/StudioSwitch.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <optional>

namespace sablewick {
namespace {

QString note(ScreenshotCaptureMode mode)
{
    switch (mode) {
    case ScreenshotCaptureMode::area: return QStringLiteral("Drag to select an area. Escape cancels.");
    case ScreenshotCaptureMode::window: return QStringLiteral("Click a window to capture it. Escape cancels.");
    case ScreenshotCaptureMode::display:
        return QStringLiteral("Sablewick’s windows are hidden while the display is captured.");
    }
    return {};
}

}  // namespace

QString ScreenshotSetupSheet::delayLabel(int seconds)
{
    return seconds == 0 ? QStringLiteral("None") : QStringLiteral("%1 seconds").arg(seconds);
}

ScreenshotSetupSheet::ScreenshotSetupSheet(std::function<DisplayLayout()> displays, QWidget* parent)
    : QWidget(parent)
    , m_displays(std::move(displays))
{
    setObjectName(QStringLiteral("screenshotSetupSheet"));
    setWindowTitle(QStringLiteral("Take a screenshot"));
    setFixedWidth(sheetWidth);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 28, 28, 28);
    layout->setSpacing(20);

    auto* header = new QHBoxLayout;
    auto* titles = new QVBoxLayout;
    titles->setSpacing(4);
    auto* heading = new StudioLabel(QStringLiteral("Take a screenshot"), StudioTextStyle::largeTitle,
                                    StudioLabelRole::primary, this);
    heading->setTextStyle(StudioTextStyle::largeTitle, QFont::DemiBold);
    titles->addWidget(heading);
    titles->addWidget(new StudioLabel(QStringLiteral("Capture, frame and annotate. All on this computer."),
                                      StudioTextStyle::caption, StudioLabelRole::secondary, this));
    header->addLayout(titles);
    header->addStretch(1);
    auto* close = new StudioIconButton(QStringLiteral("Close screenshot setup"), QStringLiteral("xmark"),
                                       StudioButtonVariant::tertiary, StudioControlSize::compact, this);
    connect(close, &QAbstractButton::clicked, this, &ScreenshotSetupSheet::dismissRequested);
    header->addWidget(close, 0, Qt::AlignVCenter);
    layout->addLayout(header);

    const StudioBinding<ScreenshotCaptureMode> mode{[this] { return m_options.mode; },
                                                    [this](const ScreenshotCaptureMode& value) {
                                                        m_options.mode = value;
                                                        modeChanged();
                                                    }};
    m_mode = StudioSegments::make(
        QStringLiteral("Capture"), mode,
        std::vector<ScreenshotCaptureMode>(EnumCases<ScreenshotCaptureMode>::cases.begin(),
                                           EnumCases<ScreenshotCaptureMode>::cases.end()),
        [](ScreenshotCaptureMode m) { return title(m); }, this);
    layout->addWidget(m_mode);

    m_displayRow = new QWidget(this);
    m_displayRowLayout = new QHBoxLayout(m_displayRow);
    m_displayRowLayout->setContentsMargins(0, 0, 0, 0);
    m_displayRowLayout->addWidget(
        new StudioLabel(QStringLiteral("Display"), StudioTextStyle::body, StudioLabelRole::primary, m_displayRow));
    m_displayRowLayout->addStretch(1);
    layout->addWidget(m_displayRow);

    m_pointer = new StudioSwitch(QStringLiteral("Include pointer"),
                                 StudioBinding<bool>{[this] { return m_options.includeCursor; },
                                                     [this](const bool& on) { m_options.includeCursor = on; }},
                                 StudioControlSize::regular, this);
    layout->addWidget(m_pointer);

    auto* delayRow = new QHBoxLayout;
    delayRow->addWidget(new StudioLabel(QStringLiteral("Delay"), StudioTextStyle::body, StudioLabelRole::primary, this));
    delayRow->addStretch(1);
    auto* delay = StudioMenuPicker::make(
        QStringLiteral("Delay"),
        StudioBinding<int>{[this] { return m_options.delay; }, [this](const int& value) { m_options.delay = value; }},
        std::vector<int>{0, 3, 5}, &ScreenshotSetupSheet::delayLabel, this);
    delay->setFixedWidth(160);
    delayRow->addWidget(delay);
    layout->addLayout(delayRow);

    m_note = new StudioLabel(QString(), StudioTextStyle::caption, StudioLabelRole::secondary, this);
    m_note->setWordWrap(true);
    layout->addWidget(m_note);

    m_capture = new StudioButton(QString(), QStringLiteral("camera"), StudioButtonVariant::primary,
                                 StudioControlSize::large, this);
    m_capture->setFillsWidth(true);
    connect(m_capture, &QAbstractButton::clicked, this, [this] {
        emit captureRequested(m_options);
        emit dismissRequested();
    });
    layout->addWidget(m_capture);

    modeChanged();
}

DisplayLayout ScreenshotSetupSheet::readDisplays() const
{
    try {
        return m_displays ? m_displays() : DisplayLayout{};
    } catch (const std::exception&) {
        return {};  // no X server to ask: no displays to offer
    }
}

void ScreenshotSetupSheet::modeChanged()
{
    const bool display = m_options.mode == ScreenshotCaptureMode::display;
    if (display) {
        // Read afresh each time, so a display connected meanwhile is offered; entering the mode
        // selects the main display.
        const DisplayLayout layout = readDisplays();
        const DisplayInfo* main = layout.main();
        m_options.displayID = main ? std::optional<std::uint32_t>(main->id) : std::nullopt;
        std::vector<std::uint32_t> ids;
        for (const DisplayInfo& info : layout.displays)
            ids.push_back(info.id);
        delete m_displayPicker;
        m_displayPicker = StudioMenuPicker::make(
            QStringLiteral("Display"),
            StudioBinding<std::uint32_t>{[this] { return m_options.displayID.value_or(0); },
                                         [this](const std::uint32_t& id) { m_options.displayID = id; }},
            ids,
            [layout](std::uint32_t id) {
                const DisplayInfo* info = layout.find(id);
                return info && !info->name.isEmpty() ? info->name : QStringLiteral("Display");
            },
            m_displayRow);
        m_displayRowLayout->addWidget(m_displayPicker);
    }
    m_displayRow->setVisible(display);
    m_pointer->setVisible(display);
    m_note->setText(note(m_options.mode));
    m_capture->setText(QStringLiteral("Capture ") + title(m_options.mode).toLower());
    m_mode->update();
}

}  // namespace sablewick
