#include "GalleryWindow.h"

#include "components/StudioAccentPicker.h"
#include "components/StudioButton.h"
#include "components/StudioColorSwatch.h"
#include "components/StudioEditorWorkspace.h"
#include "components/StudioGlassSurface.h"
#include "components/StudioIconToggle.h"
#include "components/StudioInspector.h"
#include "components/StudioLabel.h"
#include "components/StudioMenuPicker.h"
#include "components/StudioMusicRow.h"
#include "components/StudioPaint.h"
#include "components/StudioPreviewGeometry.h"
#include "components/StudioSegments.h"
#include "components/StudioSelectionBadge.h"
#include "components/StudioSlider.h"
#include "components/StudioTextField.h"
#include "components/StudioTile.h"
#include "components/StudioToolRail.h"
#include "preferences/AppPreferences.h"
#include "components/StudioTheme.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <functional>
#include <vector>

namespace sablewick {

namespace {

const QColor swatchColors[] = {QColor(0xFFFFFF), QColor(0x111114), QColor(0x5B6CFF), QColor(0xFF6B81),
                               QColor(0x36E6B3), QColor(0xFFCF3A)};

// The list of what to re-read after any write, one per pane.
class Refreshers final : public QObject {
public:
    explicit Refreshers(QObject* parent)
        : QObject(parent)
    {
        setObjectName(QStringLiteral("galleryRefreshers"));
    }
    std::vector<std::function<void()>> items;
};

Refreshers* refreshersOf(QWidget* pane)
{
    // Without a meta-object of its own the class is found by its name.
    return static_cast<Refreshers*>(
        pane->findChild<QObject*>(QStringLiteral("galleryRefreshers"), Qt::FindDirectChildrenOnly));
}

// A gradient canvas like the editor's, with a window card placed by the preview fitting rule.
class PreviewMock final : public QWidget {
public:
    explicit PreviewMock(GalleryState& state, QWidget* parent)
        : QWidget(parent)
        , m_state(state)
    {
        setObjectName(QStringLiteral("preview"));
        setMinimumSize(200, 160);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const StudioColors colors = StudioColors::of(this);
        painter.fillRect(rect(), colors.environment.isDark() ? QColor(0x1C1C1E) : QColor(0xE3E3E6));
        const QRectF canvas = StudioPreviewGeometry::fittedRect(QSizeF(1920, 1080), QSizeF(size()),
                                                                StudioPreviewGeometry::previewPadding);
        QLinearGradient background(canvas.topLeft(), canvas.bottomRight());
        background.setColorAt(0, QColor(0x4D8DFF));
        background.setColorAt(0.55, QColor(0xAD83FF));
        background.setColorAt(1, QColor(0xFF6B81));
        QPainterPath canvasPath;
        canvasPath.addRoundedRect(canvas, 8, 8);
        painter.fillPath(canvasPath.translated(0, 3), QColor(0, 0, 0, 40));
        painter.fillPath(canvasPath, background);
        // The recording as a card on the canvas, inset by the padding setting.
        const double unit = std::min(canvas.width(), canvas.height()) / 1080.0;
        const double inset = m_state.padding * unit;
        const QRectF card = canvas.adjusted(inset, inset, -inset, -inset);
        const double radius = m_state.corner * unit;
        QPainterPath cardPath;
        cardPath.addRoundedRect(card, radius, radius);
        painter.fillPath(cardPath.translated(0, 6 * unit + 2), QColor(0, 0, 0, 60));
        painter.fillPath(cardPath, QColor(0xFAFAFC));
        painter.save();
        painter.setClipPath(cardPath);
        painter.fillRect(QRectF(card.left(), card.top(), card.width(), 26 * unit + 8), QColor(0xEDEDF0));
        const QColor dots[] = {QColor(0xFF5F57), QColor(0xFEBC2E), QColor(0x28C840)};
        for (int i = 0; i < 3; ++i)
            painter.fillPath([&] {
                QPainterPath p;
                p.addEllipse(QPointF(card.left() + 12 + i * 12, card.top() + (26 * unit + 8) / 2), 3.6, 3.6);
                return p;
            }(), dots[i]);
        for (int row = 0; row < 5; ++row) {
            const double y = card.top() + 26 * unit + 22 + row * 18 * unit * 1.6;
            painter.fillRect(QRectF(card.left() + 18, y, card.width() * (0.55 - row * 0.06), 7 * unit + 2),
                             QColor(0xDADAE0));
        }
        painter.restore();
    }

private:
    GalleryState& m_state;
};

// A timeline strip: frames, zoom segments in the accent and a playhead.
class TimelineMock final : public QWidget {
public:
    explicit TimelineMock(QWidget* parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("timeline"));
        setFixedHeight(108);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const StudioColors colors = StudioColors::of(this);
        painter.fillRect(rect(), colors.window);
        painter.fillRect(QRectF(0, 0, width(), 1), colors.separator);
        painter.setFont(studioFont(StudioTextStyle::caption));
        painter.setPen(colors.secondaryLabel);
        const double left = 20;
        const double right = width() - 20;
        for (int s = 0; s <= 10; ++s) {
            const double x = left + (right - left) * s / 10;
            painter.drawText(QRectF(x - 20, 8, 40, 14), Qt::AlignCenter, QStringLiteral("0:%1").arg(s * 3, 2, 10, QLatin1Char('0')));
        }
        const QRectF track(left, 30, right - left, 40);
        QPainterPath trackPath;
        trackPath.addRoundedRect(track, 8, 8);
        painter.fillPath(trackPath, colors.environment.isDark() ? QColor(255, 255, 255, 22) : QColor(0, 0, 0, 18));
        const double zooms[][2] = {{0.08, 0.24}, {0.38, 0.52}, {0.7, 0.9}};
        for (const auto& z : zooms) {
            const QRectF seg(track.left() + track.width() * z[0], track.top() + 5,
                             track.width() * (z[1] - z[0]), track.height() - 10);
            QPainterPath p;
            p.addRoundedRect(seg, 6, 6);
            QColor fill = colors.accent;
            fill.setAlphaF(0.85f);
            painter.fillPath(p, fill);
            painter.setPen(StudioColors::inkOn(colors.accent));
            painter.drawText(seg.adjusted(8, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft,
                             QStringLiteral("Zoom 2.0×"));
        }
        const double playhead = track.left() + track.width() * 0.45;
        painter.setPen(QPen(colors.red, 2));
        painter.drawLine(QPointF(playhead, 24), QPointF(playhead, track.bottom() + 6));
        painter.setBrush(colors.red);
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPointF(playhead, 24), 4, 4);
        painter.setPen(colors.secondaryLabel);
        painter.drawText(QRectF(left, track.bottom() + 10, 300, 16), Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("3 zooms · 0:30 trimmed to 0:27"));
    }
};

// A tile with a small gradient sample, as the canvas inspector's background tiles are.
class SampleTile final : public StudioTileButton {
public:
    SampleTile(QColor a, QColor b, bool selected, QWidget* parent)
        : StudioTileButton(selected, parent)
        , m_a(a)
        , m_b(b)
    {
        setFixedSize(64, 44);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 0, width(), height());
        g.setColorAt(0, m_a);
        g.setColorAt(1, m_b);
        QPainterPath p;
        p.addRoundedRect(QRectF(rect()), tileCornerRadius, tileCornerRadius);
        painter.fillPath(p, g);
    }

private:
    QColor m_a;
    QColor m_b;
};

QWidget* heading(const QString& text, QWidget* parent)
{
    auto* label = new StudioLabel(text, StudioTextStyle::subheadline, StudioLabelRole::secondary, parent);
    label->setTextStyle(StudioTextStyle::subheadline, QFont::DemiBold);
    return label;
}

// Builds one pane's controls and lives as long as the pane, since their actions call back into it.
struct Builder final : QObject {
    Builder(GalleryState& s, AppPreferences& p, std::shared_ptr<SystemAppearance> d, Refreshers* r,
            std::function<void()> c, QObject* parent)
        : QObject(parent)
        , state(s)
        , preferences(p)
        , system(std::move(d))
        , refreshers(r)
        , changed(std::move(c))
    {
    }

    GalleryState& state;
    AppPreferences& preferences;
    std::shared_ptr<SystemAppearance> system;
    Refreshers* refreshers;
    std::function<void()> changed;

    template <class T>
    StudioBinding<T> bind(T& field)
    {
        auto after = changed;
        return {[&field] { return field; }, [&field, after](const T& value) {
                    field = value;
                    if (after)
                        after();
                }};
    }

    QWidget* buttons(QWidget* parent)
    {
        auto* box = new QWidget(parent);
        auto* grid = new QGridLayout(box);
        grid->setContentsMargins(0, 0, 0, 0);
        grid->setHorizontalSpacing(8);
        grid->setVerticalSpacing(8);
        const StudioButtonVariant variants[] = {StudioButtonVariant::primary, StudioButtonVariant::secondary,
                                                StudioButtonVariant::tertiary, StudioButtonVariant::destructive};
        const QString titles[] = {QStringLiteral("Export"), QStringLiteral("Open…"), QStringLiteral("Reset"),
                                  QStringLiteral("Delete")};
        const QString symbols[] = {QStringLiteral("square.and.arrow.up"), QStringLiteral("folder"),
                                   QStringLiteral("arrow.uturn.backward"), QStringLiteral("trash")};
        int row = 0;
        for (int v = 0; v < 4; ++v, ++row) {
            int column = 0;
            for (StudioControlSize size : allStudioControlSizes) {
                auto* button = new StudioButton(titles[v], size == StudioControlSize::regular ? symbols[v] : QString(),
                                                variants[v], size, box);
                button->setObjectName(QStringLiteral("button-%1-%2")
                                          .arg(QLatin1String(rawValue(variants[v]).data()),
                                               QLatin1String(rawValue(size).data())));
                grid->addWidget(button, row, column++, Qt::AlignLeft | Qt::AlignVCenter);
            }
        }
        auto* loading = new StudioButton(QStringLiteral("Exporting"), QStringLiteral("square.and.arrow.up"),
                                         StudioButtonVariant::primary, StudioControlSize::regular, box);
        loading->setLoading(true);
        loading->setObjectName(QStringLiteral("button-loading"));
        grid->addWidget(loading, row, 0, Qt::AlignLeft);
        auto* wide = new StudioButton(QStringLiteral("Record Screen"), QStringLiteral("record.circle"),
                                      StudioButtonVariant::primary, StudioControlSize::large, box);
        wide->setFillsWidth(true);
        wide->setObjectName(QStringLiteral("button-wide"));
        grid->addWidget(wide, row, 1, 1, 2);
        grid->setColumnStretch(3, 1);
        return box;
    }

    QWidget* icons(QWidget* parent)
    {
        auto* box = new QWidget(parent);
        auto* row = new QHBoxLayout(box);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(8);
        const std::pair<StudioButtonVariant, QString> iconButtons[] = {
            {StudioButtonVariant::primary, QStringLiteral("record.circle")},
            {StudioButtonVariant::secondary, QStringLiteral("camera.viewfinder")},
            {StudioButtonVariant::tertiary, QStringLiteral("plus.magnifyingglass")},
            {StudioButtonVariant::destructive, QStringLiteral("trash")},
        };
        for (const auto& [variant, symbol] : iconButtons) {
            auto* button = new StudioIconButton(symbol, symbol, variant, StudioControlSize::regular, box);
            button->setObjectName(QStringLiteral("icon-%1").arg(QLatin1String(rawValue(variant).data())));
            row->addWidget(button);
        }
        auto* compact = new StudioIconButton(QStringLiteral("More"), QStringLiteral("ellipsis"),
                                             StudioButtonVariant::secondary, StudioControlSize::compact, box);
        compact->setObjectName(QStringLiteral("icon-compact"));
        row->addWidget(compact);
        row->addSpacing(10);
        auto* pointer = new StudioIconToggle(QStringLiteral("Show pointer"), QStringLiteral("cursorarrow"),
                                             bind(state.pointer), StudioControlSize::regular, box);
        pointer->setObjectName(QStringLiteral("toggle-on"));
        auto* sounds = new StudioIconToggle(QStringLiteral("Click sounds"), QStringLiteral("speaker.slash"),
                                            bind(state.sounds), StudioControlSize::regular, box);
        sounds->setObjectName(QStringLiteral("toggle-off"));
        row->addWidget(pointer);
        row->addWidget(sounds);
        row->addStretch(1);
        return box;
    }

    QWidget* choices(QWidget* parent)
    {
        auto* box = new QWidget(parent);
        auto* column = new QVBoxLayout(box);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(10);
        auto* segments = new StudioSegments(QStringLiteral("Format"), bind(state.format),
                                            {QStringLiteral("MP4"), QStringLiteral("MOV"), QStringLiteral("GIF")}, box);
        segments->setObjectName(QStringLiteral("segments"));
        column->addWidget(segments);
        auto* row = new QHBoxLayout;
        row->setSpacing(10);
        auto* picker = new StudioMenuPicker(QStringLiteral("Resolution"), bind(state.resolution),
                                            {QStringLiteral("720p"), QStringLiteral("1080p"),
                                             QStringLiteral("1440p"), QStringLiteral("2160p")},
                                            box);
        picker->setObjectName(QStringLiteral("menu-picker"));
        row->addWidget(picker);
        auto* field = new StudioTextField(StudioControlSize::regular, box);
        field->setObjectName(QStringLiteral("field-regular"));
        field->setText(state.name);
        field->setPlaceholderText(QStringLiteral("Project name"));
        QObject::connect(field, &QLineEdit::textEdited, field, [this](const QString& text) { state.name = text; });
        row->addWidget(field, 1);
        column->addLayout(row);
        auto* sizes = new QHBoxLayout;
        sizes->setSpacing(10);
        for (StudioControlSize size : {StudioControlSize::compact, StudioControlSize::large}) {
            auto* f = new StudioTextField(size, box);
            f->setObjectName(QStringLiteral("field-%1").arg(QLatin1String(rawValue(size).data())));
            f->setPlaceholderText(size == StudioControlSize::compact ? QStringLiteral("Compact field")
                                                                     : QStringLiteral("Large field"));
            sizes->addWidget(f, 1);
        }
        column->addLayout(sizes);
        return box;
    }

    QWidget* swatchesAndTiles(QWidget* parent)
    {
        auto* box = new QWidget(parent);
        auto* column = new QVBoxLayout(box);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(10);
        auto* swatches = new QHBoxLayout;
        swatches->setSpacing(0);
        std::vector<StudioColorSwatch*> made;
        for (int i = 0; i < static_cast<int>(std::size(swatchColors)); ++i) {
            auto* swatch = new StudioColorSwatch(swatchColors[i], QStringLiteral("Colour %1").arg(i + 1),
                                                 i == state.swatch, box);
            swatch->setObjectName(QStringLiteral("swatch-%1").arg(i));
            QObject::connect(swatch, &QAbstractButton::clicked, swatch, [this, i] {
                state.swatch = i;
                changed();
            });
            swatches->addWidget(swatch);
            made.push_back(swatch);
        }
        refreshers->items.push_back([this, made] {
            for (int i = 0; i < static_cast<int>(made.size()); ++i)
                made[static_cast<std::size_t>(i)]->setSelected(i == state.swatch);
        });
        column->addLayout(swatches);

        auto* tiles = new QHBoxLayout;
        tiles->setSpacing(10);
        const std::pair<QColor, QColor> samples[] = {{QColor(0x2855F9), QColor(0x22D3EE)},
                                                     {QColor(0xAD83FF), QColor(0xFF6B81)},
                                                     {QColor(0xFFCF3A), QColor(0xF04462)},
                                                     {QColor(0x00AD83), QColor(0xC1F542)}};
        std::vector<StudioTileButton*> madeTiles;
        for (int i = 0; i < 4; ++i) {
            auto* tile = new SampleTile(samples[i].first, samples[i].second, i == state.tile, box);
            tile->setObjectName(QStringLiteral("tile-%1").arg(i));
            QObject::connect(tile, &QAbstractButton::clicked, tile, [this, i] {
                state.tile = i;
                changed();
            });
            tiles->addWidget(tile);
            madeTiles.push_back(tile);
        }
        madeTiles.back()->setEnabled(false);
        refreshers->items.push_back([this, madeTiles] {
            for (int i = 0; i < static_cast<int>(madeTiles.size()); ++i) {
                madeTiles[static_cast<std::size_t>(i)]->setSelected(i == state.tile);
                studioSelectionBadge(madeTiles[static_cast<std::size_t>(i)], i == state.tile);
            }
        });
        tiles->addStretch(1);
        column->addLayout(tiles);
        auto* surfaces = new QHBoxLayout;
        auto* glass = new StudioGlassSurface(StudioGlassSurface::Shape::roundedRectangle, 16, box);
        glass->setObjectName(QStringLiteral("glass"));
        auto* glassRow = new QHBoxLayout(glass);
        glassRow->setContentsMargins(14, 8, 10, 8);
        glassRow->setSpacing(10);
        auto* clock = new StudioLabel(QStringLiteral("● 00:14"), StudioTextStyle::headline, StudioLabelRole::primary, glass);
        glassRow->addWidget(clock);
        glassRow->addWidget(new StudioIconButton(QStringLiteral("Stop recording"), QStringLiteral("stop.fill"),
                                                 StudioButtonVariant::destructive, StudioControlSize::compact, glass));
        surfaces->addWidget(glass);
        surfaces->addStretch(1);
        column->addLayout(surfaces);
        return box;
    }

    QWidget* sliders(QWidget* parent)
    {
        auto* box = new QWidget(parent);
        auto* column = new QVBoxLayout(box);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(6);
        auto* padding = new StudioSliderField(QStringLiteral("Padding"), bind(state.padding), 0, 200,
                                              QStringLiteral("%1 pt").arg(state.padding), box);
        padding->setObjectName(QStringLiteral("slider-padding"));
        refreshers->items.push_back([this, padding] {
            padding->setFormattedValue(QStringLiteral("%1 pt").arg(qRound(state.padding)));
        });
        column->addWidget(padding);
        auto* quality = new QHBoxLayout;
        quality->setSpacing(10);
        quality->addWidget(new StudioLabel(QStringLiteral("Quality"), StudioTextStyle::callout,
                                           StudioLabelRole::primary, box));
        auto* stepped = new StudioSlider(bind(state.quality), 1, 5, 1.0, box);
        stepped->setObjectName(QStringLiteral("slider-quality"));
        quality->addWidget(stepped, 1);
        column->addLayout(quality);
        return box;
    }

    QWidget* inspector(QWidget* parent)
    {
        auto* panel = new StudioInspector(QStringLiteral("Audio"), QStringLiteral("waveform"),
                                          QStringLiteral("Music, click sounds and the volume of each, mixed into the export."),
                                          parent);
        panel->setObjectName(QStringLiteral("inspector"));
        auto* content = new QWidget;
        auto* column = new QVBoxLayout(content);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(14);
        auto* music = new StudioFormSection(QStringLiteral("Music"), content);
        const std::pair<QString, QString> tracks[] = {
            {QStringLiteral("None"), QStringLiteral("Only the recording's own sound.")},
            {QStringLiteral("Daybreak"), QStringLiteral("Bright, light pulse for product launches.")},
            {QStringLiteral("Night Drive"), QStringLiteral("Warm synth bed, slow and steady.")},
        };
        auto* list = new QWidget;
        auto* rows = new QVBoxLayout(list);
        rows->setContentsMargins(0, 4, 0, 4);
        rows->setSpacing(8);
        std::vector<StudioMusicRow*> made;
        for (int i = 0; i < 3; ++i) {
            auto* row = new StudioMusicRow(tracks[i].first, tracks[i].second, i == state.music, i == state.playing,
                                           [this, i] { state.music = i; changed(); },
                                           [this, i] { state.playing = state.playing == i ? -1 : i; changed(); },
                                           list);
            row->setObjectName(QStringLiteral("music-%1").arg(i));
            rows->addWidget(row);
            made.push_back(row);
        }
        refreshers->items.push_back([this, made] {
            for (int i = 0; i < static_cast<int>(made.size()); ++i) {
                made[static_cast<std::size_t>(i)]->setSelected(i == state.music);
                made[static_cast<std::size_t>(i)]->setPlaying(i == state.playing);
            }
        });
        music->addRow(list);
        column->addWidget(music);
        auto* mix = new StudioFormSection(QStringLiteral("Mix"), content);
        auto* volume = new StudioSliderField(QStringLiteral("Music volume"), bind(state.volume), 0, 1,
                                             QStringLiteral("%1 %").arg(qRound(state.volume * 100)), mix);
        refreshers->items.push_back([this, volume] {
            volume->setFormattedValue(QStringLiteral("%1 %").arg(qRound(state.volume * 100)));
        });
        mix->addRow(volume);
        mix->addRow(QStringLiteral("Interaction sounds"),
                    StudioSegments::make<int>(QStringLiteral("Sound style"), bind(state.soundStyle),
                                              std::vector<int>{0, 1},
                                              [](int v) { return v == 0 ? QStringLiteral("Musical") : QStringLiteral("Tactile"); },
                                              mix));
        column->addWidget(mix);
        panel->setContent(content);
        return panel;
    }

    QWidget* accentPicker(QWidget* parent)
    {
        auto* picker = new StudioAccentPicker(preferences, system, parent);
        picker->setFixedWidth(330);
        picker->setObjectName(QStringLiteral("accent-picker"));
        return picker;
    }

    QWidget* rail(QWidget* parent)
    {
        const std::vector<int> pages{0, 1, 2, 3};
        const QString titles[] = {QStringLiteral("Canvas"), QStringLiteral("Focus"), QStringLiteral("Cursor"),
                                  QStringLiteral("Audio")};
        const QString symbols[] = {QStringLiteral("rectangle.inset.filled"), QStringLiteral("scope"),
                                   QStringLiteral("cursorarrow"), QStringLiteral("waveform")};
        auto* made = StudioToolRail::make<int>(
            bind(state.page), bind(state.inspectorShown), pages, [&](int p) { return titles[p]; },
            [&](int p) { return symbols[p]; }, std::function<void(const int&)>(), parent);
        made->setObjectName(QStringLiteral("rail"));
        return made;
    }
};

class VerticalRule final : public QWidget {
public:
    explicit VerticalRule(QWidget* parent)
        : QWidget(parent)
    {
        setFixedWidth(1);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), StudioColors::of(this).separator);
    }
};

class PaneBackground final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), StudioColors::of(this).window);
    }
};

QWidget* sheetSection(const QString& title, QWidget* content, QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(heading(title, box));
    content->setParent(box);
    column->addWidget(content);
    return box;
}

} // namespace

QWidget* makeGalleryPane(GalleryState& state, AppPreferences& preferences,
                         std::shared_ptr<SystemAppearance> system, StudioColorScheme scheme, QWidget* parent)
{
    auto* pane = new PaneBackground(parent);
    pane->setObjectName(scheme == StudioColorScheme::dark ? QStringLiteral("pane-dark")
                                                          : QStringLiteral("pane-light"));
    StudioEnvironment environment = StudioTheme::environmentFrom(preferences);
    environment.scheme = scheme;
    environment.accent = preferences.nativeAccent().resolved(scheme);
    StudioTheme::setEnvironment(pane, environment);

    auto* refreshers = new Refreshers(pane);
    auto& builder = *new Builder(state, preferences, system, refreshers,
                                 [pane] {
                                     if (auto* window = qobject_cast<GalleryWindow*>(pane->window()))
                                         window->refresh();
                                 },
                                 pane);

    auto* column = new QHBoxLayout(pane);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* editor = new QWidget(pane);
    auto* editorRow = new QHBoxLayout(editor);
    editorRow->setContentsMargins(0, 0, 0, 0);
    editorRow->setSpacing(0);
    auto* workspace = new StudioEditorWorkspace(builder.rail(editor), new PreviewMock(state, editor),
                                                new TimelineMock(editor), editor);
    workspace->setObjectName(QStringLiteral("workspace"));
    editorRow->addWidget(workspace, 1);
    auto* inspector = builder.inspector(editor);
    inspector->setFixedWidth(330);
    editorRow->addWidget(inspector);
    editor->setFixedWidth(860);
    column->addWidget(editor);
    column->addWidget(new VerticalRule(pane));

    auto* sheet = new QWidget(pane);
    auto* columns = new QHBoxLayout(sheet);
    columns->setContentsMargins(22, 18, 22, 18);
    columns->setSpacing(26);
    auto* left = new QVBoxLayout;
    left->setSpacing(22);
    left->addWidget(sheetSection(QStringLiteral("Buttons"), builder.buttons(sheet), sheet));
    left->addWidget(sheetSection(QStringLiteral("Icon buttons and toggles"), builder.icons(sheet), sheet));
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->setSpacing(22);
    right->addWidget(sheetSection(QStringLiteral("Choices and text"), builder.choices(sheet), sheet));
    right->addWidget(sheetSection(QStringLiteral("Sliders"), builder.sliders(sheet), sheet));
    right->addWidget(sheetSection(QStringLiteral("Swatches, tiles and surfaces"), builder.swatchesAndTiles(sheet), sheet));
    right->addStretch(1);
    auto* third = new QVBoxLayout;
    third->addWidget(sheetSection(QStringLiteral("Accent"), builder.accentPicker(sheet), sheet));
    third->addStretch(1);
    columns->addLayout(left, 0);
    columns->addLayout(right, 1);
    columns->addLayout(third, 0);
    column->addWidget(sheet, 1);

    for (const auto& refresh : refreshers->items)
        refresh();
    return pane;
}

GalleryWindow::GalleryWindow(AppPreferences& preferences, std::shared_ptr<SystemAppearance> system,
                             QWidget* parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Sablewick Kit Gallery"));
    auto* row = new QVBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    m_light = makeGalleryPane(m_state, preferences, system, StudioColorScheme::light, this);
    m_dark = makeGalleryPane(m_state, preferences, system, StudioColorScheme::dark, this);
    row->addWidget(m_light);
    row->addWidget(m_dark);
    const auto reenvironment = [this, &preferences] {
        for (QWidget* pane : {m_light, m_dark}) {
            StudioEnvironment environment = StudioTheme::environmentFrom(preferences);
            environment.scheme = pane == m_dark ? StudioColorScheme::dark : StudioColorScheme::light;
            environment.accent = preferences.nativeAccent().resolved(environment.scheme);
            StudioTheme::setEnvironment(pane, environment);
        }
    };
    connect(&preferences, &AppPreferences::accentChanged, this, reenvironment);
    connect(&preferences, &AppPreferences::customAccentChanged, this, reenvironment);
    connect(&preferences, &AppPreferences::reduceTransparencyChanged, this, reenvironment);
    connect(&preferences, &AppPreferences::reduceMotionChanged, this, reenvironment);
}

QWidget* GalleryWindow::pane(StudioColorScheme scheme) const
{
    return scheme == StudioColorScheme::dark ? m_dark : m_light;
}

void GalleryWindow::refresh()
{
    for (QWidget* pane : {m_light, m_dark}) {
        if (Refreshers* refreshers = refreshersOf(pane))
            for (const auto& refresh : refreshers->items)
                refresh();
        pane->update();
        for (QWidget* child : pane->findChildren<QWidget*>())
            child->update();
    }
}

} // namespace sablewick
