#pragma once

#include <QDateTime>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>

class QLabel;
class QStackedWidget;
class QTimer;

namespace sablewick {

class AppPreferences;
class Recorder;
class StudioLabel;

// The small floating panel that follows a recording: the elapsed time, marking a zoom at the
// pointer and stopping while it records; progress while the movie is finished; then opening or
// revealing the recording, or why it stopped. It floats above other windows and never takes the
// keyboard focus from the application being recorded. It follows the recorder's published state.
class RecordingPanel final : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize panelSize{390, 64};
    static constexpr int topMargin = 18;

    // `recorder` and `preferences` must outlive the panel.
    RecordingPanel(Recorder& recorder, AppPreferences& preferences, QWidget* parent = nullptr);

    // Where the panel goes: centred at the top of the available area, 18 px below its top edge;
    // a 1440 × 900 area at the origin when there is no screen.
    static QRect placement(const QRect& availableArea);

    // The clock: whole seconds from `start` to `at` (never negative) as minutes and seconds,
    // "%02d:%02d"; minutes are not limited (125:07).
    static QString elapsed(const QDateTime& start, const QDateTime& at);

    enum class Row { recording, finishing, ready, stopped };
    Row row() const;

signals:
    // "Edit": the session opens the editor window; the panel closes itself after emitting it.
    void editRequested();
    // The dismiss button (or "Edit").
    void dismissRequested();

private:
    void follow();
    void tick();
    void reveal();

    Recorder& m_recorder;
    AppPreferences& m_preferences;
    QStackedWidget* m_status = nullptr;
    QStackedWidget* m_rows = nullptr;
    StudioLabel* m_clock = nullptr;
    StudioLabel* m_readyText = nullptr;
    StudioLabel* m_stoppedText = nullptr;
    QTimer* m_clockTimer = nullptr;
};

// Owns the one panel: shown whenever a recording starts, reused until the user dismisses it.
class RecordingPanelController final : public QObject {
    Q_OBJECT
public:
    RecordingPanelController(AppPreferences& preferences, QObject* parent = nullptr);
    ~RecordingPanelController() override;

    // Shows the panel for `recorder` (which must outlive the panel), or brings the existing one
    // forward without activating the application.
    void show(Recorder& recorder);
    void dismiss();
    RecordingPanel* panel() const { return m_panel; }

    // Called by "Edit" before the panel closes: the session's openEditor action.
    std::function<void()> openEditor;

private:
    AppPreferences& m_preferences;
    QPointer<RecordingPanel> m_panel;
};

}  // namespace sablewick
