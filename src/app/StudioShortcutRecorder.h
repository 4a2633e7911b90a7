#pragma once

#include "preferences/StudioShortcutAction.h"

#include <QString>
#include <QWidget>

#include <optional>

class QKeyEvent;
class QLabel;

namespace sablewick {

class AppPreferences;
class ShortcutKeyReceiver;
class StudioIconButton;
class StudioStyledButton;

// One row of the settings' shortcut list: the action's title, its key combination, and a button
// that records a new one from the next key press. While it records, the row holds the keyboard of
// its window and AppPreferences::shortcutCapture names its action, which frees the system-wide
// keys and stops any other row from recording.
class StudioShortcutRecorder final : public QWidget {
    Q_OBJECT

public:
    static inline const QString promptText = QStringLiteral("Press shortcut…");
    static inline const QString notSetText = QStringLiteral("Not set");
    static inline const QString noKeyMessage = QStringLiteral("Press a key together with your chosen modifiers.");

    StudioShortcutRecorder(StudioShortcutAction action, AppPreferences& preferences, QWidget* parent = nullptr);
    ~StudioShortcutRecorder() override;

    StudioShortcutAction action() const { return m_action; }
    bool isCapturing() const { return m_capturing; }
    void setCapturing(bool capturing);
    // The row's own message, else the system's refusal of the action's hot key; none when neither.
    std::optional<QString> message() const;

    StudioStyledButton* recordButton() const;
    StudioIconButton* clearButton() const { return m_clear; }
    QLabel* messageLabel() const { return m_message; }

    // One key press while recording (the receiver hands them here).
    void handleKey(const QKeyEvent& event);
    void clear();

private:
    void refresh();

    StudioShortcutAction m_action;
    AppPreferences& m_preferences;
    bool m_capturing = false;
    std::optional<QString> m_error;
    class KeyButton;
    KeyButton* m_record = nullptr;
    StudioIconButton* m_clear = nullptr;
    QLabel* m_message = nullptr;
    ShortcutKeyReceiver* m_receiver = nullptr;
};

}  // namespace sablewick
