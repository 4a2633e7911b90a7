#include "preferences/AppPreferences.h"

#include "platform/PreferencesStore.h"
#include "preferences/SystemAppearance.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <limits>

namespace sablewick {
namespace {

// The texts shown under the shortcut recorder. Modifier names and the system's name are the
// Linux ones; the rest is word for word what the settings window has always said.
const QString kFormMessage = QStringLiteral("Choose a letter, number, arrow or function key.");
const QString kModifierMessage = QStringLiteral("Include Ctrl, Alt or Meta so the shortcut won\u2019t interrupt typing.");
const QString kReservedMessage =
    QStringLiteral("That combination is reserved for the system or a standard window command.");

QString conflictMessage(StudioShortcutAction other)
{
    return QStringLiteral("Already used by \u201C") + title(other) + QStringLiteral("\u201D.");
}

bool isFunctionKey(const QString& key)
{
    if (key.size() < 2 || key.front() != QLatin1Char('f'))
        return false;
    for (qsizetype i = 1; i < key.size(); ++i) {
        if (key[i] < QLatin1Char('0') || key[i] > QLatin1Char('9'))
            return false;
    }
    return true;
}

bool isReserved(const StudioKeyBinding& binding)
{
    using B = StudioKeyBinding;
    const QString& key = binding.key;
    const bool command = binding.modifiers & B::commandBit;
    if (binding.modifiers == B::commandBit) {
        for (const char* reserved : {"q", "w", "h", "m", ",", "tab", "space", "a", "c", "v", "x"}) {
            if (key == QLatin1String(reserved))
                return true;
        }
    }
    if (command && (key == QLatin1String("q") || key == QLatin1String("tab") || key == QLatin1String("space")))
        return true;
    return key == QLatin1String("escape") && binding.modifiers == (B::commandBit | B::optionBit);
}

// Reads a stored string as an enumeration's raw value; anything else gives the fallback.
template <typename T, typename Parse>
T storedCase(const PreferencesStore& store, const QString& key, Parse parse, T fallback)
{
    const QVariant value = store.value(key);
    if (value.typeId() != QMetaType::QString)
        return fallback;
    return parse(value.toString()).value_or(fallback);
}

quint32 storedCustomAccent(const PreferencesStore& store)
{
    const QVariant value = store.value(AppPreferences::customAccentKey);
    if (value.typeId() != QMetaType::LongLong)
        return AppPreferences::defaultCustomAccent;
    const qint64 v = value.toLongLong();
    if (v < 0)
        return 0;
    if (v > static_cast<qint64>(std::numeric_limits<quint32>::max()))
        return 0xFFFFFF;
    return static_cast<quint32>(v) & 0xFFFFFFu;
}

}  // namespace

AppPreferences& AppPreferences::shared()
{
    // Never destroyed: it lives as long as the process, and windows may still read it while the
    // application object is being torn down.
    static AppPreferences* instance = new AppPreferences(standardPreferences(), standardSystemAppearance());
    return *instance;
}

AppPreferences::AppPreferences(PreferencesStore& defaults, std::shared_ptr<SystemAppearance> system, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_system(system ? std::move(system) : standardSystemAppearance())
{
    m_appearance = storedCase(defaults, appearanceKey, studioAppearanceFromRawValue, StudioAppearance::system);
    m_accent = storedCase(defaults, accentKey, studioAccentFromRawValue, StudioAccent::blue);
    m_customAccent = storedCustomAccent(defaults);
    m_reduceMotion = defaults.boolValue(reduceMotionKey);
    m_reduceTransparency = defaults.boolValue(reduceTransparencyKey);
    readShortcuts();
    connect(m_system.get(), &SystemAppearance::changed, this, [this] {
        if (m_appearance == StudioAppearance::system)
            applyApplicationAppearance();
        emit systemAppearanceChanged();
    });
}

AppPreferences::~AppPreferences() = default;

void AppPreferences::readShortcuts()
{
    const QVariant stored = m_defaults.value(shortcutsKey);
    if (!stored.isValid())
        return;
    std::optional<std::map<QString, StudioShortcutOverride>> decoded;
    if (stored.typeId() == QMetaType::QByteArray)
        decoded = StudioShortcutCoding::decode(stored.toByteArray());
    if (!decoded) {
        // Saving would replace what the user had; keep it so it can be looked at or restored.
        m_unreadableShortcuts = stored;
        return;
    }
    for (const auto& [name, override] : *decoded) {
        const std::optional<StudioShortcutAction> action = studioShortcutActionFromRawValue(name);
        if (!action || (override.binding && !override.binding->isValid()))
            continue;
        m_shortcutOverrides[*action] = override;
    }
    // A system-wide hot key grabs its combination from every application, so one read back must
    // pass the same checks as one the user assigns; otherwise the action keeps its default.
    for (StudioShortcutAction action : allStudioShortcutActions) {
        if (!isSystemWide(action))
            continue;
        const auto it = m_shortcutOverrides.find(action);
        if (it != m_shortcutOverrides.end() && it->second.binding && validationError(*it->second.binding, action))
            m_shortcutOverrides.erase(it);
    }
}

void AppPreferences::setAppearance(StudioAppearance appearance)
{
    const bool changed = appearance != m_appearance;
    m_appearance = appearance;
    m_defaults.setValue(appearanceKey, rawValue(appearance));
    if (changed)
        emit appearanceChanged();
    applyApplicationAppearance();
}

void AppPreferences::setAccent(StudioAccent accent)
{
    const bool changed = accent != m_accent;
    m_accent = accent;
    m_defaults.setValue(accentKey, rawValue(accent));
    if (changed)
        emit accentChanged();
}

void AppPreferences::setCustomAccent(quint32 rgb)
{
    const bool changed = rgb != m_customAccent;
    m_customAccent = rgb;
    m_defaults.setValue(customAccentKey, QVariant::fromValue<qint64>(rgb));
    if (changed)
        emit customAccentChanged();
}

void AppPreferences::setReduceMotion(bool on)
{
    const bool changed = on != m_reduceMotion;
    m_reduceMotion = on;
    m_defaults.setValue(reduceMotionKey, on);
    if (changed)
        emit reduceMotionChanged();
}

void AppPreferences::setReduceTransparency(bool on)
{
    const bool changed = on != m_reduceTransparency;
    m_reduceTransparency = on;
    m_defaults.setValue(reduceTransparencyKey, on);
    if (changed)
        emit reduceTransparencyChanged();
}

void AppPreferences::setShortcutOverrides(StudioShortcutOverrides overrides)
{
    if (overrides == m_shortcutOverrides)
        return;
    m_shortcutOverrides = std::move(overrides);
    emit shortcutOverridesChanged();
}

void AppPreferences::saveShortcuts()
{
    if (m_unreadableShortcuts) {
        m_defaults.keepAside(unreadableShortcutsKey, *m_unreadableShortcuts);
        m_unreadableShortcuts.reset();
    }
    m_defaults.setValue(shortcutsKey, StudioShortcutCoding::encode(m_shortcutOverrides));
}

void AppPreferences::setShortcutCapture(std::optional<StudioShortcutAction> action)
{
    if (action == m_shortcutCapture)
        return;
    m_shortcutCapture = action;
    emit shortcutCaptureChanged();
}

void AppPreferences::endShortcutCapture(StudioShortcutAction action)
{
    if (m_shortcutCapture == action)
        setShortcutCapture(std::nullopt);
}

void AppPreferences::setRegistrationErrors(std::map<StudioShortcutAction, QString> errors)
{
    if (errors == m_registrationErrors)
        return;
    m_registrationErrors = std::move(errors);
    emit registrationErrorsChanged();
}

std::optional<StudioKeyBinding> AppPreferences::binding(StudioShortcutAction action) const
{
    const auto it = m_shortcutOverrides.find(action);
    if (it != m_shortcutOverrides.end())
        return it->second.binding;
    return defaultBinding(action);
}

QString AppPreferences::help(const QString& text, StudioShortcutAction action) const
{
    const std::optional<StudioKeyBinding> effective = binding(action);
    if (!effective)
        return text;
    return text + QStringLiteral(" \u00B7 ") + effective->display();
}

std::optional<QString> AppPreferences::validationError(const StudioKeyBinding& candidate,
                                                       StudioShortcutAction action) const
{
    using B = StudioKeyBinding;
    if (!candidate.isValid())
        return kFormMessage;

    const bool typingSafe = candidate.modifiers & (B::commandBit | B::optionBit | B::controlBit);
    const bool bareSpaceForPlayback = action == StudioShortcutAction::playback
        && candidate.key == QLatin1String("space") && candidate.modifiers == 0;
    if (!typingSafe && !isFunctionKey(candidate.key) && !bareSpaceForPlayback)
        return kModifierMessage;

    if (isReserved(candidate))
        return kReservedMessage;

    for (StudioShortcutAction other : allStudioShortcutActions) {
        if (other == action)
            continue;
        const std::optional<StudioKeyBinding> taken = binding(other);
        if (taken && taken->modifiers == candidate.modifiers
            && (taken->keyCode == candidate.keyCode || taken->key == candidate.key))
            return conflictMessage(other);
    }
    return std::nullopt;
}

void AppPreferences::resetAppearance()
{
    setAppearance(StudioAppearance::system);
    setAccent(StudioAccent::blue);
    setCustomAccent(defaultCustomAccent);
    setReduceMotion(false);
    setReduceTransparency(false);
}

StudioDynamicColor AppPreferences::nativeAccent() const
{
    if (m_accent == StudioAccent::custom)
        return StudioDynamicColor::fixed(colorFromRgb24(m_customAccent));
    const QColor systemAccent = m_accent == StudioAccent::system ? m_system->accentColor() : QColor();
    return nativeColor(m_accent, systemAccent);
}

StudioDynamicColor AppPreferences::readableAccent() const
{
    const StudioDynamicColor accent = nativeAccent();
    const StudioDynamicColor window = StudioSystemColors::windowBackground();
    return {StudioAccentContrast::readable(accent.light, window.light),
            StudioAccentContrast::readable(accent.dark, window.dark)};
}

StudioColorScheme AppPreferences::effectiveColorScheme() const
{
    if (const std::optional<StudioColorScheme> chosen = scheme(m_appearance))
        return *chosen;
    return m_system->colorScheme();
}

bool AppPreferences::studioReduceMotion() const
{
    return m_system->reduceMotion() || m_reduceMotion;
}

bool AppPreferences::studioReduceTransparency() const
{
    return m_system->reduceTransparency() || m_reduceTransparency;
}

void AppPreferences::applyApplicationAppearance()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    // Asked before the palette changes, so the desktop's own palette is what gets captured.
    const QPalette desktop = m_system->desktopPalette();
    const StudioColorScheme target = effectiveColorScheme();
    // The desktop's palette is kept while it already has the wanted brightness; otherwise the
    // application draws itself in its own palette of that scheme.
    const QPalette palette = colorSchemeOfPalette(desktop) == target
        ? desktop
        : studioPalette(target, desktop.color(QPalette::Active, QPalette::Highlight));
    QGuiApplication::setPalette(palette);
    emit applicationAppearanceApplied(target);
}

}  // namespace sablewick
