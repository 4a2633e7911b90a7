#pragma once

#include "components/StudioBinding.h"
#include "recording/RecordingCapabilities.h"
#include "recording/RecordingOptions.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class QScreen;
class QScrollArea;
class QVBoxLayout;

namespace sablewick {

class Recorder;
class StudioButton;
class StudioIconButton;
class StudioLabel;
class StudioSymbolView;

// The sheet the main window shows before every recording: the display, system sound and
// microphone, pointer and click highlight, with the size the display will be recorded at, the
// microphone that will be used, a one-line audio summary and the recorder's last problem. It
// edits the presenter's RecordingOptions in place; "Start recording" only asks the presenter to
// start (startRequested), which closes the sheet when the recorder runs. It stores nothing.
class RecordingSetupSheet final : public QWidget {
    Q_OBJECT
public:
    static constexpr int sheetWidth = 540;

    // `recorder` must outlive the sheet; `capabilities` reads displays and devices afresh.
    RecordingSetupSheet(StudioBinding<RecordingOptions> options, Recorder& recorder,
                        std::function<RecordingCapabilities()> capabilities, QWidget* parent = nullptr);

    // Reads displays, microphone and typing access again and repairs the chosen display. Runs
    // when the sheet is created, when screens come, go or change their geometry, when a followed
    // device changes and when the application is activated.
    void refreshCapabilities();
    // Reads the capabilities again (once for a burst) whenever the watch made by `watch` reports
    // a change of microphones, until the sheet goes.
    using DeviceWatcher = std::function<std::unique_ptr<DeviceWatch>(std::function<void()> changed)>;
    void followDevices(const DeviceWatcher& watch);
    const RecordingCapabilities& capabilities() const { return m_capabilities; }

    // 310 with a notice, else 350 with typing access, else 440.
    int formHeight() const;
    bool canStart() const;
    // A close other than through the sheet's own buttons is refused while the recorder starts.
    bool canDismiss() const;

signals:
    void startRequested();
    void dismissRequested();
    // A settings pane for a permission: "Privacy_ScreenCapture", "Privacy_Microphone" or
    // "Privacy_ListenEvent". X11 asks for no permissions, so only other platforms raise it.
    void settingsRequested(const QString& anchor);
    void quitRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The form's height: at least formHeight(), as much as its rows need where the screen has room.
    int fittedFormHeight() const;
    // The first control of the form that takes the keyboard.
    QWidget* firstControl() const;
    void rebuild();
    void refreshState();
    void followScreen(QScreen* screen);
    QWidget* buildForm();
    RecordingOptions options() const { return m_options.get(); }
    void edit(const std::function<void(RecordingOptions&)>& change);

    StudioBinding<RecordingOptions> m_options;
    Recorder& m_recorder;
    std::function<RecordingCapabilities()> m_read;
    RecordingCapabilities m_capabilities;
    QTimer m_deviceRefresh;
    std::unique_ptr<DeviceWatch> m_deviceWatch;  // after the timer: its reports reach the timer

    StudioIconButton* m_close = nullptr;
    QScrollArea* m_form = nullptr;
    QWidget* m_notice = nullptr;
    QVBoxLayout* m_noticeLayout = nullptr;
    StudioLabel* m_summary = nullptr;
    StudioSymbolView* m_summarySymbol = nullptr;
    StudioButton* m_cancel = nullptr;
    StudioButton* m_start = nullptr;
};

}  // namespace sablewick
