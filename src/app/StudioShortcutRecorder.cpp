#include "app/StudioShortcutRecorder.h"

#include "components/StudioButton.h"
#include "components/StudioLabel.h"
#include "components/StudioTokens.h"
#include "preferences/AppPreferences.h"

#include <QApplication>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>

namespace sablewick {

// The hidden focus holder of a recording row. While active it has the keyboard focus and takes
// every key event of its window, shortcuts included, so a combination that the window already
// uses is recorded instead of run. It ends the capture when the window stops being active or the
// focus goes elsewhere.
class ShortcutKeyReceiver final : public QWidget {
public:
    std::function<void(const QKeyEvent&)> onKey;
    std::function<void()> onEnd;

    explicit ShortcutKeyReceiver(QWidget* parent) : QWidget(parent)
    {
        setFocusPolicy(Qt::ClickFocus);
        setFixedSize(0, 0);
        setAttribute(Qt::WA_InputMethodEnabled, false);
    }
    ~ShortcutKeyReceiver() override { stop(false); }

    bool isActive() const { return m_active; }

    void setWantsCapture(bool wants)
    {
        m_wantsCapture = wants;
        if (!wants) {
            stop(true);
        } else if (!m_active) {
            // Deferred one turn, so that the click that asked for it has finished moving focus.
            QTimer::singleShot(0, this, [this] { start(); });
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_active)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() != window())
            return false;
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Accepted, the key is delivered as a key press instead of triggering a shortcut.
            event->accept();
            return true;
        case QEvent::KeyPress:
            if (window()->isActiveWindow() && onKey)
                onKey(static_cast<const QKeyEvent&>(*event));
            return true;
        case QEvent::KeyRelease:
            return true;
        case QEvent::WindowDeactivate:
            if (widget == window())
                end(true);
            return false;
        default:
            return false;
        }
    }

    void focusOutEvent(QFocusEvent* event) override
    {
        QWidget::focusOutEvent(event);
        if (m_active && event->reason() != Qt::ActiveWindowFocusReason)
            end(false);
    }

    void hideEvent(QHideEvent* event) override
    {
        QWidget::hideEvent(event);
        if (m_active)
            end(false);
    }

private:
    void start()
    {
        if (!m_wantsCapture || m_active || !window()->isVisible())
            return;
        m_active = true;
        m_previous = QApplication::focusWidget();
        qApp->installEventFilter(this);
        setFocus(Qt::OtherFocusReason);
    }

    void stop(bool restoreFocus)
    {
        if (!m_active)
            return;
        m_active = false;
        qApp->removeEventFilter(this);
        if (restoreFocus && hasFocus() && m_previous)
            m_previous->setFocus(Qt::OtherFocusReason);
        m_previous = nullptr;
    }

    void end(bool restoreFocus)
    {
        stop(restoreFocus);
        if (onEnd)
            onEnd();
    }

    bool m_wantsCapture = false;
    bool m_active = false;
    QPointer<QWidget> m_previous;
};

// The record button: the kit's secondary button with the combination in a monospaced face.
class StudioShortcutRecorder::KeyButton final : public StudioStyledButton {
public:
    explicit KeyButton(QWidget* parent)
        : StudioStyledButton(QString(), StudioButtonVariant::secondary, StudioControlSize::regular,
                             StudioButtonLayout::label, parent)
    {
        // A click must not take the focus from the receiver, or pressing the button to stop a
        // recording would end it twice.
        setFocusPolicy(Qt::TabFocus);
        setMinimumWidth(115);
    }

protected:
    void paintContent(QPainter& painter, const QRectF& contentRect, const QColor& ink) override
    {
        painter.setFont(keyFont());
        painter.setPen(ink);
        painter.drawText(contentRect, Qt::AlignCenter, text());
    }
    int contentWidth() const override { return QFontMetrics(keyFont()).horizontalAdvance(text()); }

private:
    static QFont keyFont()
    {
        QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPixelSize(12);
        font.setWeight(QFont::Medium);
        return font;
    }
};

namespace {

bool isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
        return true;
    default:
        return false;
    }
}

}  // namespace

StudioShortcutRecorder::StudioShortcutRecorder(StudioShortcutAction action, AppPreferences& preferences,
                                               QWidget* parent)
    : QWidget(parent)
    , m_action(action)
    , m_preferences(preferences)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 4, 0, 4);
    column->setSpacing(5);
    auto* line = new QHBoxLayout;
    line->setContentsMargins(0, 0, 0, 0);
    column->addLayout(line);

    auto* titleLabel = new StudioLabel(title(action), StudioTextStyle::callout, StudioLabelRole::primary, this);
    line->addWidget(titleLabel);
    line->addSpacing(14);
    line->addStretch(1);

    m_record = new KeyButton(this);
    m_record->setAccessibleName(QStringLiteral("Set shortcut for ") + title(action));
    line->addWidget(m_record);
    m_receiver = new ShortcutKeyReceiver(this);
    m_receiver->onKey = [this](const QKeyEvent& event) { handleKey(event); };
    m_receiver->onEnd = [this] { setCapturing(false); };
    line->addWidget(m_receiver);

    m_clear = new StudioIconButton(QStringLiteral("Clear shortcut for ") + title(action), QStringLiteral("xmark"),
                                   StudioButtonVariant::secondary, StudioControlSize::regular, this);
    line->addWidget(m_clear);

    m_message = new QLabel(this);
    m_message->setWordWrap(true);
    QFont caption = m_message->font();
    caption.setPixelSize(textStylePixelSize(StudioTextStyle::caption));
    m_message->setFont(caption);
    QPalette red = m_message->palette();
    red.setColor(QPalette::WindowText, QColor(0xFF3B30));
    m_message->setPalette(red);
    column->addWidget(m_message);

    connect(m_record, &QAbstractButton::clicked, this, [this] { setCapturing(!m_capturing); });
    connect(m_clear, &QAbstractButton::clicked, this, &StudioShortcutRecorder::clear);
    connect(&m_preferences, &AppPreferences::shortcutCaptureChanged, this, [this] {
        if (m_preferences.shortcutCapture() != m_action)
            setCapturing(false);
    });
    connect(&m_preferences, &AppPreferences::shortcutOverridesChanged, this, &StudioShortcutRecorder::refresh);
    connect(&m_preferences, &AppPreferences::registrationErrorsChanged, this, &StudioShortcutRecorder::refresh);
    refresh();
}

StudioShortcutRecorder::~StudioShortcutRecorder()
{
    if (m_preferences.shortcutCapture() == m_action)
        m_preferences.setShortcutCapture(std::nullopt);
}

StudioStyledButton* StudioShortcutRecorder::recordButton() const
{
    return m_record;
}

void StudioShortcutRecorder::setCapturing(bool capturing)
{
    if (capturing == m_capturing)
        return;
    m_capturing = capturing;
    if (capturing) {
        m_error.reset();
        m_preferences.setShortcutCapture(m_action);
    } else {
        m_preferences.endShortcutCapture(m_action);
    }
    m_receiver->setWantsCapture(capturing);
    refresh();
}

std::optional<QString> StudioShortcutRecorder::message() const
{
    if (m_error)
        return m_error;
    const auto& errors = m_preferences.registrationErrors();
    const auto found = errors.find(m_action);
    if (found == errors.end())
        return std::nullopt;
    return found->second;
}

void StudioShortcutRecorder::handleKey(const QKeyEvent& event)
{
    // A modifier pressed on its way to a combination is not a key press of its own.
    if (event.isAutoRepeat() || isModifierKey(event.key()))
        return;
    const Qt::KeyboardModifiers held =
        event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (event.key() == Qt::Key_Escape && held == Qt::NoModifier) {
        setCapturing(false);
        return;
    }
    const std::optional<StudioKeyBinding> binding = StudioKeyBinding::capture(event);
    if (!binding) {
        m_error = noKeyMessage;
        refresh();
        return;
    }
    const std::optional<QString> rejected = m_preferences.validationError(*binding, m_action);
    if (!rejected) {
        StudioShortcutOverrides overrides = m_preferences.shortcutOverrides();
        overrides[m_action] = StudioShortcutOverride{binding};
        m_preferences.setShortcutOverrides(std::move(overrides));
        m_preferences.saveShortcuts();
    }
    m_error = rejected;
    setCapturing(false);
    refresh();
}

void StudioShortcutRecorder::clear()
{
    setCapturing(false);
    m_error.reset();
    StudioShortcutOverrides overrides = m_preferences.shortcutOverrides();
    overrides[m_action] = StudioShortcutOverride{std::nullopt};
    m_preferences.setShortcutOverrides(std::move(overrides));
    m_preferences.saveShortcuts();
    refresh();
}

void StudioShortcutRecorder::refresh()
{
    const std::optional<StudioKeyBinding> binding = m_preferences.binding(m_action);
    const QString shown = binding ? binding->display() : notSetText;
    m_record->setText(m_capturing ? promptText : shown);
    // Assistive tools hear the combination, never the prompt.
    m_record->setAccessibleDescription(shown);
    m_clear->setEnabled(binding.has_value());
    const std::optional<QString> text = message();
    m_message->setText(text.value_or(QString()));
    m_message->setVisible(text.has_value());
}

}  // namespace sablewick
