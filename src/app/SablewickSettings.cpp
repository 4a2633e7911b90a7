#include "app/SablewickSettings.h"

#include "app/StudioShortcutRecorder.h"
#include "components/StudioAccentPicker.h"
#include "components/StudioButton.h"
#include "components/StudioColorSwatch.h"
#include "components/StudioLabel.h"
#include "components/StudioSegments.h"
#include "components/StudioSwitch.h"
#include "platform/PreferencesStore.h"
#include "preferences/AppPreferences.h"

#include <QColorDialog>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>

namespace sablewick {

bool showMenuBarIcon(const PreferencesStore& defaults)
{
    return defaults.contains(SablewickSettings::showMenuBarIconKey)
        ? defaults.boolValue(SablewickSettings::showMenuBarIconKey)
        : true;
}

SablewickSettings::SablewickSettings(AppPreferences& preferences, PreferencesStore& defaults, ColorChooser chooseColor,
                                     QWidget* parent)
    : QWidget(parent)
    , m_preferences(preferences)
    , m_defaults(defaults)
    , m_chooseColor(std::move(chooseColor))
{
    setWindowTitle(QStringLiteral("Settings"));
    setFixedSize(fixedWidth, fixedHeight);
    if (!m_chooseColor) {
        m_chooseColor = [](const QColor& initial, QWidget* parent) -> std::optional<QColor> {
            const QColor chosen = QColorDialog::getColor(initial, parent, QStringLiteral("Custom color"));
            return chosen.isValid() ? std::optional<QColor>(chosen) : std::nullopt;
        };
    }

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_picker = StudioSegments::make<SettingsTab>(
        QStringLiteral("Settings"), {[this] { return m_tab; }, [this](const SettingsTab& tab) { setTab(tab); }},
        {allSettingsTabs.begin(), allSettingsTabs.end()}, [](SettingsTab tab) { return rawValue(tab); }, this);
    auto* pickerRow = new QHBoxLayout;
    pickerRow->setContentsMargins(24, 20, 24, 12);
    pickerRow->addWidget(m_picker);
    column->addLayout(pickerRow);

    m_scroll = new QScrollArea(this);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    column->addWidget(m_scroll, 1);
    rebuild();
}

void SablewickSettings::setTab(SettingsTab tab)
{
    if (tab == m_tab)
        return;
    m_tab = tab;
    m_picker->update();
    rebuild();
}

QWidget* SablewickSettings::form() const
{
    return m_scroll->widget();
}

void SablewickSettings::rebuild()
{
    auto* content = new QWidget;
    auto* sections = new QVBoxLayout(content);
    sections->setContentsMargins(24, 8, 24, 24);
    sections->setSpacing(18);
    for (const SettingsSection& section : settingsSections(m_tab)) {
        auto* block = new QVBoxLayout;
        block->setSpacing(8);
        if (!section.header.isEmpty())
            block->addWidget(new StudioLabel(section.header, StudioTextStyle::headline, StudioLabelRole::primary, content));
        for (const SettingsItem& item : section.items)
            block->addWidget(makeItem(item, content));
        sections->addLayout(block);
    }
    sections->addStretch(1);
    // The old form goes with its rows, which end any recording they had started.
    delete m_scroll->takeWidget();
    m_scroll->setWidget(content);
}

QWidget* SablewickSettings::makeItem(const SettingsItem& item, QWidget* parent)
{
    using K = SettingsItem::Kind;
    const auto makeSwitch = [&](std::function<bool()> read, std::function<void(const bool&)> write) {
        return new StudioSwitch(item.text, StudioBinding<bool>{std::move(read), std::move(write)},
                                StudioControlSize::regular, parent);
    };
    switch (item.kind) {
    case K::menuBarSwitch:
        return makeSwitch([this] { return showMenuBarIcon(m_defaults); },
                          [this](const bool& on) {
                              m_defaults.setValue(showMenuBarIconKey, on);
                              emit showMenuBarIconChanged(on);
                          });
    case K::reduceMotionSwitch: {
        auto* toggle = makeSwitch([this] { return m_preferences.reduceMotion(); },
                                  [this](const bool& on) { m_preferences.setReduceMotion(on); });
        connect(&m_preferences, &AppPreferences::reduceMotionChanged, toggle, &StudioSwitch::refresh);
        return toggle;
    }
    case K::reduceTransparencySwitch: {
        auto* toggle = makeSwitch([this] { return m_preferences.reduceTransparency(); },
                                  [this](const bool& on) { m_preferences.setReduceTransparency(on); });
        connect(&m_preferences, &AppPreferences::reduceTransparencyChanged, toggle, &StudioSwitch::refresh);
        return toggle;
    }
    case K::appearanceChoice: {
        auto* segments = StudioSegments::make<StudioAppearance>(
            item.text,
            {[this] { return m_preferences.appearance(); },
             [this](const StudioAppearance& a) { m_preferences.setAppearance(a); }},
            {StudioAppearance::system, StudioAppearance::light, StudioAppearance::dark},
            [](StudioAppearance a) { return rawValue(a); }, parent);
        connect(&m_preferences, &AppPreferences::appearanceChanged, segments, qOverload<>(&QWidget::update));
        return segments;
    }
    case K::accentPicker:
        return new StudioAccentPicker(m_preferences, nullptr, parent);
    case K::customColor: {
        auto* row = new QWidget(parent);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->addWidget(new StudioLabel(item.text, StudioTextStyle::body, StudioLabelRole::primary, row));
        line->addStretch(1);
        auto* well = new StudioColorSwatch(colorFromCustomAccent(m_preferences.customAccent()), item.text, false, row);
        well->setObjectName(QStringLiteral("customColorWell"));
        line->addWidget(well);
        connect(well, &QAbstractButton::clicked, this, &SablewickSettings::chooseCustomColor);
        connect(&m_preferences, &AppPreferences::customAccentChanged, well,
                [this, well] { well->setColor(colorFromCustomAccent(m_preferences.customAccent())); });
        return row;
    }
    case K::restoreAppearanceButton: {
        auto* button = new StudioButton(item.text, QString(), StudioButtonVariant::secondary, StudioControlSize::compact,
                                        parent);
        connect(button, &QAbstractButton::clicked, this, [this] { m_preferences.resetAppearance(); });
        return button;
    }
    case K::restoreShortcutsButton: {
        auto* button = new StudioButton(item.text, QString(), StudioButtonVariant::secondary, StudioControlSize::regular,
                                        parent);
        connect(button, &QAbstractButton::clicked, this, [this] {
            m_preferences.setShortcutOverrides({});
            m_preferences.saveShortcuts();
        });
        return button;
    }
    case K::shortcutRow:
        return new StudioShortcutRecorder(*item.action, m_preferences, parent);
    case K::note: {
        auto* note = new StudioLabel(item.text, StudioTextStyle::caption, StudioLabelRole::secondary, parent);
        note->setWordWrap(true);
        return note;
    }
    }
    return new QWidget(parent);
}

void SablewickSettings::chooseCustomColor()
{
    const std::optional<QColor> chosen = m_chooseColor(colorFromCustomAccent(m_preferences.customAccent()), this);
    if (!chosen)
        return;
    const std::optional<quint32> rgb = customAccentFromColor(*chosen);
    if (!rgb)
        return;
    m_preferences.setCustomAccent(*rgb);
    m_preferences.setAccent(StudioAccent::custom);
}

}  // namespace sablewick
