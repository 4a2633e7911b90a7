#pragma once

#include "platform/DisplayList.h"
#include "screenshots/ScreenshotCaptureOptions.h"

#include <QWidget>

#include <functional>

class QBoxLayout;

namespace sablewick {

class StudioButton;
class StudioLabel;
class StudioMenuPicker;
class StudioSegments;
class StudioSwitch;

// The small sheet in which the user prepares one screenshot: what to capture, the display and the
// pointer for a display capture, and a countdown. It starts from the default options every time it
// is made and stores nothing; its capture button hands the options to the presenter.
class ScreenshotSetupSheet final : public QWidget {
    Q_OBJECT

public:
    static constexpr int sheetWidth = 440;

    // `displays` reads the connected displays; it is asked again each time display mode is chosen.
    explicit ScreenshotSetupSheet(std::function<DisplayLayout()> displays = &DisplayList::current,
                                  QWidget* parent = nullptr);

    const ScreenshotCaptureOptions& options() const { return m_options; }
    // The display picker while display mode shows it, else null (for tests).
    StudioMenuPicker* displayPicker() const { return m_displayPicker; }

    static QString delayLabel(int seconds);

signals:
    // The capture button: the options as they stand; the sheet asks to be dismissed right after.
    void captureRequested(const ScreenshotCaptureOptions& options);
    void dismissRequested();

private:
    void modeChanged();
    DisplayLayout readDisplays() const;

    std::function<DisplayLayout()> m_displays;
    ScreenshotCaptureOptions m_options;
    StudioSegments* m_mode = nullptr;
    QWidget* m_displayRow = nullptr;
    QBoxLayout* m_displayRowLayout = nullptr;
    StudioMenuPicker* m_displayPicker = nullptr;
    StudioSwitch* m_pointer = nullptr;
    StudioLabel* m_note = nullptr;
    StudioButton* m_capture = nullptr;
};

}  // namespace sablewick
