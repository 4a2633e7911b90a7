#include "components/StudioAccentPicker.h"

#include "components/StudioLabel.h"
#include "components/StudioPaint.h"
#include "components/StudioTile.h"
#include "preferences/AppPreferences.h"
#include "preferences/SystemAppearance.h"

#include <QGridLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace sablewick {

namespace {

constexpr int namePixelSize = 10;
constexpr double smallestNameScale = 0.9;

// One accent's tile: the swatch (with a check mark while chosen) over the accent's name.
class AccentTile final : public StudioTileButton {
public:
    AccentTile(StudioAccent accent, const StudioAccentPicker* picker, QWidget* parent)
        : StudioTileButton(false, parent)
        , m_accent(accent)
        , m_picker(picker)
    {
        setAccessibleName(rawValue(accent) + QStringLiteral(" accent"));
        setToolTip(rawValue(accent));
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setMinimumWidth(10);
        const QFontMetrics fm(studioFont(namePixelSize));
        setFixedHeight(6 + StudioAccentPicker::swatchDiameter + 7 + fm.height() + 6);
    }

    QSize sizeHint() const override { return {64, height()}; }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        StudioTileButton::paintEvent(event);
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const StudioColors colors = StudioColors::of(this);
        const QColor fill = m_picker->swatchColor(m_accent, colors.environment.scheme);
        const double d = StudioAccentPicker::swatchDiameter;
        const QRectF circle(width() / 2.0 - d / 2, 6, d, d);
        painter.setPen(QPen(QColor(0, 0, 0, colors.environment.isDark() ? 0 : 22), 1));
        painter.setBrush(fill);
        painter.drawEllipse(circle);
        if (isSelected())
            paintCheckmark(painter, circle.adjusted(7, 7, -7, -7), StudioColors::inkOn(fill), 2.2);

        // The name stays on one line: it shrinks to 90 % before it is cut.
        const QRectF nameRect(2, circle.bottom() + 7, width() - 4, height() - circle.bottom() - 7 - 6);
        QFont font = studioFont(namePixelSize);
        const QString name = rawValue(m_accent);
        if (QFontMetricsF(font).horizontalAdvance(name) > nameRect.width())
            font.setPixelSize(qMax(1, qRound(namePixelSize * smallestNameScale)));
        painter.setFont(font);
        painter.setPen(colors.label);
        painter.drawText(nameRect, Qt::AlignHCenter | Qt::AlignTop,
                         QFontMetrics(font).elidedText(name, Qt::ElideRight, qFloor(nameRect.width())));
    }

private:
    StudioAccent m_accent;
    const StudioAccentPicker* m_picker;
};

} // namespace

StudioAccentPicker::StudioAccentPicker(AppPreferences& preferences, std::shared_ptr<SystemAppearance> system,
                                       QWidget* parent)
    : QWidget(parent)
    , m_preferences(preferences)
    , m_system(system ? std::move(system) : standardSystemAppearance())
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 5, 0, 5);
    column->setSpacing(16);
    column->addWidget(palette(classicStudioAccents.data(), classicStudioAccents.size()));
    column->addWidget(new StudioDivider(this));
    auto* heading = new QVBoxLayout;
    heading->setSpacing(5);
    auto* title = new StudioLabel(QStringLiteral("Vibrant"), StudioTextStyle::callout, StudioLabelRole::primary, this);
    title->setTextStyle(StudioTextStyle::callout, QFont::DemiBold);
    heading->addWidget(title);
    heading->addWidget(new StudioLabel(QStringLiteral("Brighter accents, tuned for light and dark."),
                                       StudioTextStyle::caption, StudioLabelRole::secondary, this));
    column->addLayout(heading);
    column->addWidget(palette(vibrantStudioAccents.data(), vibrantStudioAccents.size()));

    connect(&preferences, &AppPreferences::accentChanged, this, &StudioAccentPicker::refresh);
    connect(&preferences, &AppPreferences::customAccentChanged, this, &StudioAccentPicker::refresh);
    refresh();
}

QWidget* StudioAccentPicker::palette(const StudioAccent* first, std::size_t count)
{
    auto* grid = new QWidget(this);
    auto* layout = new QGridLayout(grid);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setVerticalSpacing(10);
    for (int c = 0; c < columns; ++c)
        layout->setColumnStretch(c, 1);
    for (std::size_t i = 0; i < count; ++i) {
        const StudioAccent accent = first[i];
        auto* tile = new AccentTile(accent, this, grid);
        connect(tile, &QAbstractButton::clicked, this, [this, accent] { m_preferences.setAccent(accent); });
        layout->addWidget(tile, static_cast<int>(i) / columns, static_cast<int>(i) % columns);
        m_tiles.emplace_back(accent, tile);
    }
    return grid;
}

StudioTileButton* StudioAccentPicker::tile(StudioAccent accent) const
{
    for (const auto& [a, tile] : m_tiles)
        if (a == accent)
            return tile;
    return nullptr;
}

QColor StudioAccentPicker::swatchColor(StudioAccent accent, StudioColorScheme scheme) const
{
    if (accent == StudioAccent::custom)
        return colorFromRgb24(m_preferences.customAccent());
    return nativeColor(accent, m_system->accentColor()).resolved(scheme);
}

void StudioAccentPicker::refresh()
{
    for (const auto& [accent, tile] : m_tiles) {
        tile->setSelected(accent == m_preferences.accent());
        tile->update();
    }
}

} // namespace sablewick
