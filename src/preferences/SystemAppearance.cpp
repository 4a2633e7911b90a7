#include "preferences/SystemAppearance.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QMap>

namespace sablewick {
namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kSettingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kAppearanceNamespace = QStringLiteral("org.freedesktop.appearance");

// Values may arrive wrapped in a D-Bus variant, depending on the portal's version.
std::optional<uint> portalNumber(const QVariantMap& map, const QString& name)
{
    QVariant value = map.value(name);
    while (value.canConvert<QDBusVariant>() && value.typeId() == qMetaTypeId<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    switch (value.typeId()) {
    case QMetaType::UInt:
    case QMetaType::Int:
    case QMetaType::UChar:
    case QMetaType::UShort:
    case QMetaType::Short:
    case QMetaType::ULongLong:
    case QMetaType::LongLong: {
        bool ok = false;
        const uint n = value.toUInt(&ok);
        return ok ? std::optional<uint>(n) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<bool> portalSwitch(const QVariantMap& map, const QString& name)
{
    const std::optional<uint> n = portalNumber(map, name);
    if (!n || *n > 1)
        return std::nullopt;
    return *n == 1;
}

class PortalSettingsSource final : public QObject, public DesktopSettingsSource {
    Q_OBJECT

public:
    PortalSettingsSource(int timeout, QString address)
        : m_timeout(timeout)
        , m_address(std::move(address))
    {
    }

    ~PortalSettingsSource() override
    {
        if (m_bus && !m_address.isEmpty())
            QDBusConnection::disconnectFromBus(m_bus->name());
    }

    DesktopSettings read() override
    {
        QDBusConnection& bus = connection();
        if (!bus.isConnected())
            return {};
        QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath, kSettingsInterface,
                                                           QStringLiteral("ReadAll"));
        call << QStringList{kAppearanceNamespace};
        const QDBusMessage reply = bus.call(call, QDBus::Block, m_timeout);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return {};
        const QVariant first = reply.arguments().constFirst();
        if (first.typeId() != qMetaTypeId<QDBusArgument>())
            return {};
        QMap<QString, QVariantMap> namespaces;
        first.value<QDBusArgument>() >> namespaces;
        return parsePortalAppearance(namespaces.value(kAppearanceNamespace));
    }

    void watch(std::function<void(const DesktopSettings&)> changed) override
    {
        m_changed = std::move(changed);
        if (connection().isConnected())
            connection().connect(kPortalService, kPortalPath, kSettingsInterface, QStringLiteral("SettingChanged"), this,
                          SLOT(settingChanged(QString, QString, QDBusVariant)));
    }

private slots:
    void settingChanged(const QString& group, const QString& key, const QDBusVariant& value)
    {
        Q_UNUSED(key)
        Q_UNUSED(value)
        // Read the whole namespace again rather than patch one field: changes are rare and this
        // keeps one way of reading.
        if (group == kAppearanceNamespace && m_changed)
            m_changed(read());
    }

private:
    // Connected on first use, not when made: the shared source may be made before the application
    // object, and the bus must not be touched before it exists.
    QDBusConnection& connection()
    {
        if (!m_bus) {
            m_bus = m_address.isEmpty()
                ? QDBusConnection::sessionBus()
                : QDBusConnection::connectToBus(m_address, QStringLiteral("sablewick-portal-%1").arg(quintptr(this)));
        }
        return *m_bus;
    }

    int m_timeout;
    QString m_address;
    std::optional<QDBusConnection> m_bus;
    std::function<void(const DesktopSettings&)> m_changed;
};

}  // namespace

std::unique_ptr<DesktopSettingsSource> makePortalSettingsSource(int timeoutMilliseconds, const QString& busAddress)
{
    return std::make_unique<PortalSettingsSource>(timeoutMilliseconds, busAddress);
}

DesktopSettings parsePortalAppearance(const QVariantMap& appearance)
{
    DesktopSettings settings;
    if (const std::optional<uint> scheme = portalNumber(appearance, QStringLiteral("color-scheme"))) {
        if (*scheme == 1)
            settings.colorScheme = StudioColorScheme::dark;
        else if (*scheme == 2)
            settings.colorScheme = StudioColorScheme::light;
    }
    settings.reduceMotion = portalSwitch(appearance, QStringLiteral("reduced-motion"));
    settings.highContrast = portalSwitch(appearance, QStringLiteral("contrast"));
    return settings;
}

StudioColorScheme colorSchemeOfPalette(const QPalette& palette)
{
    return palette.color(QPalette::Active, QPalette::Window).lightnessF() < 0.5 ? StudioColorScheme::dark
                                                                                : StudioColorScheme::light;
}

DesktopSystemAppearance::DesktopSystemAppearance(std::unique_ptr<DesktopSettingsSource> source)
    : m_source(std::move(source))
{
}

const DesktopSettings& DesktopSystemAppearance::settings()
{
    if (!m_settings) {
        m_settings = m_source ? m_source->read() : DesktopSettings{};
        if (m_source) {
            m_source->watch([this](const DesktopSettings& settings) {
                if (settings == *m_settings)
                    return;
                m_settings = settings;
                emit changed();
            });
        }
    }
    return *m_settings;
}

QPalette DesktopSystemAppearance::desktopPalette()
{
    if (m_palette)
        return *m_palette;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return studioPalette(StudioColorScheme::light, StudioSystemColors::blue().light);
    m_palette = QGuiApplication::palette();
    return *m_palette;
}

StudioColorScheme DesktopSystemAppearance::colorScheme()
{
    if (const std::optional<StudioColorScheme> scheme = settings().colorScheme)
        return *scheme;
    return colorSchemeOfPalette(desktopPalette());
}

QColor DesktopSystemAppearance::accentColor()
{
    return desktopPalette().color(QPalette::Active, QPalette::Highlight);
}

bool DesktopSystemAppearance::reduceMotion()
{
    return settings().reduceMotion.value_or(false);
}

bool DesktopSystemAppearance::reduceTransparency()
{
    return settings().highContrast.value_or(false);
}

std::shared_ptr<SystemAppearance> standardSystemAppearance()
{
    static const std::shared_ptr<SystemAppearance> appearance =
        std::make_shared<DesktopSystemAppearance>(makePortalSettingsSource());
    return appearance;
}

QPalette studioPalette(StudioColorScheme scheme, const QColor& highlight)
{
    const bool dark = scheme == StudioColorScheme::dark;
    const QColor window = StudioSystemColors::windowBackground().resolved(scheme);
    const QColor base = StudioSystemColors::textBackground().resolved(scheme);
    const QColor text = StudioSystemColors::label().resolved(scheme);
    const QColor secondary = StudioSystemColors::graphite().resolved(scheme);
    const QColor button = dark ? QColor::fromRgb(0x4A4A4A) : QColor::fromRgb(0xFFFFFF);

    QPalette palette(button, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, dark ? QColor::fromRgb(0x2A2A2A) : QColor::fromRgb(0xF4F4F4));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, dark ? QColor::fromRgb(0x000000) : QColor::fromRgb(0xFFFFFF));
    palette.setColor(QPalette::PlaceholderText, secondary);
    palette.setColor(QPalette::ToolTipBase, dark ? QColor::fromRgb(0x3A3A3A) : QColor::fromRgb(0xFFFFFF));
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::Light, dark ? QColor::fromRgb(0x5A5A5A) : QColor::fromRgb(0xFFFFFF));
    palette.setColor(QPalette::Midlight, dark ? QColor::fromRgb(0x484848) : QColor::fromRgb(0xE3E3E3));
    palette.setColor(QPalette::Mid, dark ? QColor::fromRgb(0x3C3C3C) : QColor::fromRgb(0xB8B8B8));
    palette.setColor(QPalette::Dark, dark ? QColor::fromRgb(0x1E1E1E) : QColor::fromRgb(0x9F9F9F));
    palette.setColor(QPalette::Shadow, QColor::fromRgb(0x000000));
    palette.setColor(QPalette::Highlight, highlight);
    palette.setColor(QPalette::HighlightedText, QColor::fromRgb(0xFFFFFF));
    palette.setColor(QPalette::Link, StudioSystemColors::blue().resolved(scheme));
    palette.setColor(QPalette::LinkVisited, StudioSystemColors::purple().resolved(scheme));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        QColor disabled = text;
        disabled.setAlphaF(0.35f);
        palette.setColor(QPalette::Disabled, role, disabled);
    }
    return palette;
}

}  // namespace sablewick

#include "SystemAppearance.moc"
