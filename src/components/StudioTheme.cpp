#include "components/StudioTheme.h"

#include "preferences/AppPreferences.h"
#include "preferences/StudioAccent.h"
#include "preferences/SystemAppearance.h"

#include <QApplication>
#include <QFont>
#include <QPalette>
#include <QWidget>

namespace sablewick {

namespace {

constexpr char environmentProperty[] = "studioEnvironment";

StudioEnvironment& applicationEnvironmentStorage()
{
    static StudioEnvironment environment;
    return environment;
}

void setAccent(QPalette& palette, const QColor& accent)
{
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight, accent);
        palette.setColor(group, QPalette::HighlightedText, studioInkOn(accent));
    }
    palette.setColor(QPalette::Disabled, QPalette::Highlight, accent.lighter(130));
}

void repaint(QWidget* root)
{
    root->update();
    for (QWidget* child : root->findChildren<QWidget*>())
        child->update();
}

} // namespace

QColor studioInkOn(const QColor& fill)
{
    const QColor white(Qt::white);
    const QColor black(Qt::black);
    return StudioAccentContrast::ratio(black, fill) > StudioAccentContrast::ratio(white, fill) ? black
                                                                                             : white;
}

QPalette studioThemePalette(const StudioEnvironment& environment)
{
    QPalette palette = studioPalette(environment.scheme, environment.accent);
    setAccent(palette, environment.accent);
    return palette;
}

StudioTheme::StudioTheme(AppPreferences& preferences, QObject* parent)
    : QObject(parent)
    , m_preferences(preferences)
{
    const auto reapply = [this] { apply(); };
    connect(&preferences, &AppPreferences::appearanceChanged, this, reapply);
    connect(&preferences, &AppPreferences::accentChanged, this, reapply);
    connect(&preferences, &AppPreferences::customAccentChanged, this, reapply);
    connect(&preferences, &AppPreferences::reduceMotionChanged, this, reapply);
    connect(&preferences, &AppPreferences::reduceTransparencyChanged, this, reapply);
    connect(&preferences, &AppPreferences::applicationAppearanceApplied, this, reapply);
    connect(&preferences, &AppPreferences::systemAppearanceChanged, this, reapply);
    apply();
}

StudioEnvironment StudioTheme::environmentFrom(const AppPreferences& preferences)
{
    StudioEnvironment environment;
    environment.scheme = preferences.effectiveColorScheme();
    environment.accent = preferences.nativeAccent().resolved(environment.scheme);
    environment.motionReduction = preferences.reduceMotion();
    environment.transparencyReduction = preferences.reduceTransparency();
    environment.reduceMotion = preferences.studioReduceMotion();
    environment.reduceTransparency = preferences.studioReduceTransparency();
    return environment;
}

void StudioTheme::apply()
{
    m_environment = environmentFrom(m_preferences);
    applicationEnvironmentStorage() = m_environment;
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        // The preferences set the scheme's palette; the theme only puts the accent into it, so the
        // two never fight over the window colours.
        QPalette palette = QApplication::palette();
        if (palette.color(QPalette::Active, QPalette::Highlight) != m_environment.accent) {
            setAccent(palette, m_environment.accent);
            QApplication::setPalette(palette);
        }
        QFont font = QApplication::font();
        if (font.pixelSize() != bodyPixelSize) {
            font.setPixelSize(bodyPixelSize);
            QApplication::setFont(font);
        }
        for (QWidget* widget : QApplication::topLevelWidgets())
            repaint(widget);
    }
    emit environmentChanged(m_environment);
}

StudioEnvironment StudioTheme::applicationEnvironment()
{
    return applicationEnvironmentStorage();
}

StudioEnvironment StudioTheme::environment(const QWidget* widget)
{
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        const QVariant value = w->property(environmentProperty);
        if (value.isValid())
            return value.value<StudioEnvironment>();
    }
    return applicationEnvironmentStorage();
}

void StudioTheme::setEnvironment(QWidget* root, const StudioEnvironment& environment)
{
    root->setProperty(environmentProperty, QVariant::fromValue(environment));
    root->setPalette(studioThemePalette(environment));
    root->setAutoFillBackground(true);
    repaint(root);
}

} // namespace sablewick
