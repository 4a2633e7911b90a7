#include "workspace/CanvasInspector.h"

#include "components/StudioButton.h"
#include "components/StudioColorSwatch.h"
#include "components/StudioDialogs.h"
#include "components/StudioElidedLabel.h"
#include "components/StudioLabel.h"
#include "components/StudioMenuPicker.h"
#include "components/StudioSwitch.h"
#include "components/StudioTextField.h"
#include "document/CanvasStyle.h"
#include "workspace/CanvasChoices.h"
#include "workspace/CanvasColorWell.h"
#include "workspace/InspectorSection.h"
#include "workspace/SettingsBinding.h"
#include "workspace/StudioArtworkThumbnail.h"
#include "workspace/StudioBackgroundTile.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QMenu>
#include <QVBoxLayout>

#include <algorithm>
#include <random>

namespace sablewick {

namespace {

StudioLabel* note(const QString& text, QWidget* parent)
{
    auto* label = new StudioLabel(text, StudioTextStyle::caption, StudioLabelRole::secondary, parent);
    label->setWordWrap(true);
    return label;
}

}  // namespace

// One side of the custom ratio: a caption over a whole-number field. A typed value is stored
// when the user confirms it or leaves the field; until then the model's value does not replace it.
class CanvasInspector::RatioField final : public QWidget {
public:
    RatioField(const QString& caption, const QString& accessibleName, StudioBinding<std::int64_t> side,
               QWidget* parent)
        : QWidget(parent), m_side(std::move(side))
    {
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(5);
        column->addWidget(new StudioLabel(caption, StudioTextStyle::caption, StudioLabelRole::secondary, this));
        m_field = new StudioTextField(StudioControlSize::regular, this);
        m_field->setPlaceholderText(caption);
        m_field->setAccessibleName(accessibleName);
        m_field->setObjectName(accessibleName);
        column->addWidget(m_field);
        connect(m_field, &QLineEdit::editingFinished, this, [this] { commit(); });
        refresh();
    }

    QLineEdit* field() const { return m_field; }

    void refresh()
    {
        if (!m_field->isModified())
            show(m_side.get());
    }

private:
    void commit()
    {
        if (m_field->isModified())
            if (const auto typed = CanvasChoices::typedRatioSide(m_field->text(), locale()))
                m_side.set(*typed);
        // Text that is no whole number gives way to the stored side.
        show(m_side.get());
    }

    void show(std::int64_t value)
    {
        const QString text = locale().toString(qlonglong(value));
        if (m_field->text() != text)
            m_field->setText(text);
        m_field->setModified(false);
    }

    StudioBinding<std::int64_t> m_side;
    StudioTextField* m_field;
};

CanvasInspector::CanvasInspector(StudioBinding<EditSettings> settings, CanvasPresets& presets, StudioDialogs* dialogs,
                                 QWidget* parent)
    : QWidget(parent)
    , m_settings(std::move(settings))
    , m_presets(presets)
    , m_ownDialogs(dialogs ? nullptr : std::make_unique<QtStudioDialogs>(this))
    , m_dialogs(dialogs ? dialogs : m_ownDialogs.get())
    , m_chance([generator = std::make_shared<std::mt19937>(std::random_device{}())](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(*generator);
    })
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(14);
    auto* format = new InspectorSection(QStringLiteral("Format"), this);
    buildFormat(format);
    column->addWidget(format);
    auto* background = new InspectorSection(QStringLiteral("Background"), this);
    buildBackground(background);
    column->addWidget(background);
    auto* frame = new InspectorSection(QStringLiteral("Frame"), this);
    buildFrame(frame);
    column->addWidget(frame);
    refresh();
}

CanvasInspector::~CanvasInspector() = default;

void CanvasInspector::refresh()
{
    const EditSettings settings = m_settings.get();
    refreshFormat(settings);
    refreshBackground(settings);
    refreshFrame(settings);
}

void CanvasInspector::buildFormat(InspectorSection* section)
{
    auto* presetsRow = new QWidget(section);
    auto* presetsLayout = new QHBoxLayout(presetsRow);
    presetsLayout->setContentsMargins(0, 0, 0, 0);
    m_presetsButton = new StudioButton(QStringLiteral("Presets"), QStringLiteral("slider.horizontal.3"),
                                       StudioButtonVariant::secondary, StudioControlSize::compact, presetsRow);
    m_presetsButton->setObjectName(QStringLiteral("presets"));
    connect(m_presetsButton, &QAbstractButton::clicked, this, [this] {
        presetsMenu()->popup(m_presetsButton->mapToGlobal(QPoint(0, m_presetsButton->height())));
    });
    presetsLayout->addWidget(m_presetsButton);
    presetsLayout->addStretch(1);
    section->add(presetsRow);

    auto* aspectRow = new QWidget(section);
    auto* aspectLayout = new QHBoxLayout(aspectRow);
    aspectLayout->setContentsMargins(0, 0, 0, 0);
    aspectLayout->addWidget(new StudioLabel(QStringLiteral("Aspect ratio"), StudioTextStyle::callout,
                                            StudioLabelRole::primary, aspectRow));
    aspectLayout->addStretch(1);
    m_aspect = StudioMenuPicker::make<AspectRatio>(
        QStringLiteral("Aspect ratio"), settingsField(m_settings, &EditSettings::aspect),
        {EnumCases<AspectRatio>::cases.begin(), EnumCases<AspectRatio>::cases.end()}, CanvasChoices::aspectLabel,
        aspectRow);
    aspectLayout->addWidget(m_aspect);
    section->add(aspectRow);

    m_fitNote = section->add(note(CanvasChoices::fitNote, section));

    m_customRatio = section->add(new QWidget(section));
    auto* ratio = new QHBoxLayout(m_customRatio);
    ratio->setContentsMargins(0, 0, 0, 0);
    ratio->setSpacing(10);
    ratio->setAlignment(Qt::AlignBottom);
    m_ratioWidth = new RatioField(
        QStringLiteral("Width"), QStringLiteral("Aspect width"),
        settingsField(m_settings, &EditSettings::customAspectWidth, EditDefaults::customAspectWidth), m_customRatio);
    m_ratioHeight = new RatioField(
        QStringLiteral("Height"), QStringLiteral("Aspect height"),
        settingsField(m_settings, &EditSettings::customAspectHeight, EditDefaults::customAspectHeight), m_customRatio);
    ratio->addWidget(m_ratioWidth, 1, Qt::AlignBottom);
    auto* colon = new StudioLabel(QStringLiteral(":"), StudioTextStyle::body, StudioLabelRole::secondary, m_customRatio);
    ratio->addWidget(colon, 0, Qt::AlignBottom);
    ratio->addWidget(m_ratioHeight, 1, Qt::AlignBottom);
    auto* swap = new StudioIconButton(QStringLiteral("Swap width and height"), QStringLiteral("arrow.left.arrow.right"),
                                      StudioButtonVariant::secondary, StudioControlSize::compact, m_customRatio);
    swap->setToolTip(QStringLiteral("Switch between landscape and portrait"));
    swap->setObjectName(QStringLiteral("swapRatio"));
    connect(swap, &QAbstractButton::clicked, this, [this] {
        // Two writes, as the user would make them; the history makes them one step.
        const EditSettings before = m_settings.get();
        const std::int64_t w = before.effectiveCustomAspectWidth();
        const std::int64_t h = before.effectiveCustomAspectHeight();
        EditSettings next = before;
        next.customAspectWidth = h;
        write(next);
        next = m_settings.get();
        next.customAspectHeight = w;
        write(next);
    });
    ratio->addWidget(swap, 0, Qt::AlignBottom);

    m_ratioNote = section->add(note(QString(), section));
}

void CanvasInspector::refreshFormat(const EditSettings& settings)
{
    m_aspect->update();
    m_fitNote->setVisible(settings.aspect == AspectRatio::auto_);
    const bool custom = settings.aspect == AspectRatio::custom;
    m_customRatio->setVisible(custom);
    m_ratioNote->setVisible(custom);
    m_ratioWidth->refresh();
    m_ratioHeight->refresh();
    m_ratioNote->setText(
        CanvasChoices::customRatioNote(settings.effectiveCustomAspectWidth(), settings.effectiveCustomAspectHeight()));
}

void CanvasInspector::buildBackground(InspectorSection* section)
{
    auto* kindRow = new QWidget(section);
    auto* kindLayout = new QHBoxLayout(kindRow);
    kindLayout->setContentsMargins(0, 0, 0, 0);
    m_kind = StudioMenuPicker::make<BackgroundKind>(
        QStringLiteral("Background type"), settingsField(m_settings, &EditSettings::backgroundKind),
        {CanvasChoices::backgroundKinds.begin(), CanvasChoices::backgroundKinds.end()}, CanvasChoices::kindLabel,
        kindRow);
    kindLayout->addWidget(m_kind);
    kindLayout->addStretch(1);
    m_shuffle = new StudioIconButton(QStringLiteral("Shuffle background"), QStringLiteral("shuffle"),
                                     StudioButtonVariant::secondary, StudioControlSize::compact, kindRow);
    connect(m_shuffle, &QAbstractButton::clicked, this, &CanvasInspector::shuffle);
    kindLayout->addWidget(m_shuffle);
    section->add(kindRow);

    // Gradients: the current name, the library toggle and the tiles.
    m_gradientHeader = section->add(new QWidget(section));
    auto* header = new QHBoxLayout(m_gradientHeader);
    header->setContentsMargins(0, 0, 0, 0);
    m_gradientName = new StudioLabel(QString(), StudioTextStyle::caption, StudioLabelRole::secondary, m_gradientHeader);
    header->addWidget(m_gradientName);
    header->addStretch(1);
    m_gradientToggle = new StudioStyledButton(QString(), StudioButtonVariant::tertiary, StudioControlSize::compact,
                                              StudioButtonLayout::label, m_gradientHeader);
    m_gradientToggle->setObjectName(QStringLiteral("gradientLibrary"));
    connect(m_gradientToggle, &QAbstractButton::clicked, this, [this] {
        m_expandedLibrary = !m_expandedLibrary;
        refresh();
    });
    header->addWidget(m_gradientToggle);
    m_gradients = section->add(new AdaptiveGrid(AdaptiveGrid::backgroundTiles, section));

    // Patterns and pictures, the user's own picture, and the blur.
    m_artworks = section->add(new AdaptiveGrid(AdaptiveGrid::backgroundTiles, section));
    m_imageButton = section->add(new StudioButton(CanvasChoices::chooseImageTitle, QStringLiteral("photo.badge.plus"),
                                                  StudioButtonVariant::secondary, StudioControlSize::compact, section));
    m_imageButton->setObjectName(QStringLiteral("chooseImage"));
    connect(m_imageButton, &QAbstractButton::clicked, this, &CanvasInspector::chooseImage);
    m_imageRow = section->add(new QWidget(section));
    auto* imageLayout = new QHBoxLayout(m_imageRow);
    imageLayout->setContentsMargins(0, 0, 0, 0);
    imageLayout->setSpacing(8);
    imageLayout->addWidget(
        new StudioSymbolView(QStringLiteral("checkmark.circle.fill"), 12, StudioLabelRole::secondary, m_imageRow));
    m_imageName = new StudioElidedLabel(QString(), StudioTextStyle::caption, StudioLabelRole::secondary, m_imageRow);
    imageLayout->addWidget(m_imageName, 1);
    auto* remove = new StudioIconButton(QStringLiteral("Remove custom background"), QStringLiteral("xmark"),
                                        StudioButtonVariant::tertiary, StudioControlSize::compact, m_imageRow);
    connect(remove, &QAbstractButton::clicked, this, [this] {
        EditSettings next = m_settings.get();
        next.backgroundImageURL.reset();
        write(next);
    });
    imageLayout->addWidget(remove);
    m_blur = section->add(new SettingSlider(QStringLiteral("Blur"), settingsField(m_settings, &EditSettings::backgroundBlur),
                                            0, 60, wholeValueFormat(1, QString()), section));

    // Solid colours.
    m_colors = section->add(new AdaptiveGrid(AdaptiveGrid::colorSwatches, section));
    std::vector<QWidget*> swatches;
    for (RgbColor value : CanvasChoices::colors()) {
        auto* swatch = new StudioColorSwatch(CanvasChoices::colorOf(value), CanvasChoices::swatchTitle(value), false);
        swatch->setToolTip(CanvasChoices::swatchTitle(value));
        swatch->setAccessibleName(CanvasChoices::swatchTitle(value));
        connect(swatch, &QAbstractButton::clicked, this, [this, value] {
            EditSettings next = m_settings.get();
            next.solidColor = value;
            write(next);
        });
        swatches.push_back(swatch);
    }
    m_colors->setCells(swatches);
    m_customColor = section->add(
        new CanvasColorWell(QStringLiteral("Custom color"), settingsField(m_settings, &EditSettings::solidColor), section));

    m_hiddenNote = section->add(note(CanvasChoices::hiddenNote, section));
}

void CanvasInspector::refreshBackground(const EditSettings& settings)
{
    const BackgroundKind kind = settings.backgroundKind;
    m_kind->update();
    m_shuffle->setVisible(kind != BackgroundKind::hidden);
    m_shuffle->setToolTip(CanvasChoices::shuffleHelp(kind));

    const bool gradient = kind == BackgroundKind::gradient;
    m_gradientHeader->setVisible(gradient);
    m_gradients->setVisible(gradient);
    if (gradient)
        refreshGradients(settings);

    const bool artwork = kind == BackgroundKind::pattern || kind == BackgroundKind::image;
    m_artworks->setVisible(artwork);
    if (artwork)
        refreshArtworks(settings);
    m_blur->setVisible(artwork);
    m_blur->refresh();

    const bool image = kind == BackgroundKind::image;
    m_imageButton->setVisible(image);
    m_imageButton->setText(settings.backgroundImageURL ? CanvasChoices::replaceImageTitle
                                                       : CanvasChoices::chooseImageTitle);
    m_imageRow->setVisible(image && settings.backgroundImageURL);
    if (settings.backgroundImageURL)
        m_imageName->setText(settings.backgroundImageURL->fileName());

    const bool solid = kind == BackgroundKind::solid;
    m_colors->setVisible(solid);
    m_customColor->setVisible(solid);
    for (std::size_t i = 0; i < m_colors->cells().size(); ++i)
        static_cast<StudioColorSwatch*>(m_colors->cells()[i])->setSelected(CanvasChoices::colors()[i] ==
                                                                            settings.solidColor);
    m_customColor->refresh();

    m_hiddenNote->setVisible(kind == BackgroundKind::hidden);
}

void CanvasInspector::refreshGradients(const EditSettings& settings)
{
    m_gradientName->setText(settings.background.name);
    m_gradientToggle->setText(CanvasChoices::gradientToggleTitle(m_expandedLibrary));
    m_gradientToggle->setAccessibleName(CanvasChoices::gradientToggleAccessibleName(m_expandedLibrary));
    const std::vector<BackgroundPreset> shown = CanvasChoices::visibleGradients(settings.background, m_expandedLibrary);
    if (shown != m_shownGradients) {
        // Tiles that stay keep their rendered previews; only a changed list is built again.
        std::vector<QWidget*> tiles;
        for (const BackgroundPreset& preset : shown) {
            auto* tile = new StudioBackgroundTile(preset.name, false, new GradientThumbnail(preset));
            tile->setObjectName(preset.id);
            connect(tile, &QAbstractButton::clicked, this, [this, preset] {
                EditSettings next = m_settings.get();
                next.background = preset;
                write(next);
            });
            tiles.push_back(tile);
        }
        m_gradients->setCells(tiles);
        m_shownGradients = shown;
    }
    for (std::size_t i = 0; i < m_shownGradients.size(); ++i)
        static_cast<StudioBackgroundTile*>(m_gradients->cells()[i])
            ->setSelected(m_shownGradients[i] == settings.background);
}

void CanvasInspector::refreshArtworks(const EditSettings& settings)
{
    const std::vector<BackgroundArtwork> shown = CanvasChoices::artworks(settings.backgroundKind);
    if (shown != m_shownArtworks) {
        std::vector<QWidget*> tiles;
        for (BackgroundArtwork artwork : shown) {
            auto* tile = new StudioBackgroundTile(Artwork::name(artwork), false, new StudioArtworkThumbnail(artwork));
            tile->setObjectName(QString::fromLatin1(storedValue(artwork).data(), int(storedValue(artwork).size())));
            connect(tile, &QAbstractButton::clicked, this, [this, artwork] {
                // Two writes, as the user makes them; the history folds them into one step.
                EditSettings next = m_settings.get();
                next.backgroundArtwork = artwork;
                write(next);
                next = m_settings.get();
                next.backgroundImageURL.reset();
                write(next);
            });
            tiles.push_back(tile);
        }
        m_artworks->setCells(tiles);
        m_shownArtworks = shown;
    }
    for (std::size_t i = 0; i < m_shownArtworks.size(); ++i)
        static_cast<StudioBackgroundTile*>(m_artworks->cells()[i])
            ->setSelected(CanvasChoices::artworkTileSelected(settings, m_shownArtworks[i]));
}

const std::vector<QWidget*>& CanvasInspector::backgroundTiles() const
{
    return m_settings.get().backgroundKind == BackgroundKind::gradient ? m_gradients->cells() : m_artworks->cells();
}

void CanvasInspector::shuffle()
{
    const EditSettings before = m_settings.get();
    const EditSettings after = CanvasChoices::shuffled(before, m_chance);
    switch (before.backgroundKind) {
    case BackgroundKind::pattern:
    case BackgroundKind::image: {
        // The artwork, then the user's picture cleared: two writes, one undo step.
        EditSettings next = before;
        next.backgroundArtwork = after.backgroundArtwork;
        write(next);
        next = m_settings.get();
        next.backgroundImageURL.reset();
        write(next);
        break;
    }
    case BackgroundKind::gradient:
    case BackgroundKind::solid:
        write(after);
        break;
    case BackgroundKind::hidden:
        break;
    }
}

void CanvasInspector::chooseImage()
{
    const std::optional<QUrl> chosen = m_dialogs->runOpenPanel(
        {QStringLiteral("Choose Background Image"),
         {{QStringLiteral("Image"), {QStringLiteral("*.png"), QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"),
                                     QStringLiteral("*.webp"), QStringLiteral("*.bmp"), QStringLiteral("*.gif"),
                                     QStringLiteral("*.tif"), QStringLiteral("*.tiff")}}}});
    if (!chosen || chosen->isEmpty())
        return;
    EditSettings next = m_settings.get();
    next.backgroundImageURL = *chosen;
    write(next);
}

void CanvasInspector::buildFrame(InspectorSection* section)
{
    m_spacing = section->add(new SettingSlider(QStringLiteral("Canvas spacing"),
                                               settingsField(m_settings, &EditSettings::canvasPadding), 2.5, 24,
                                               wholeValueFormat(1, QStringLiteral("%")), section));
    m_inset = section->add(new SettingSlider(QStringLiteral("Inset"),
                                             settingsField(m_settings, &EditSettings::frameInset, EditDefaults::frameInset),
                                             0, 64, wholeValueFormat(1, QStringLiteral(" px")), section));
    m_insetColor = section->add(new CanvasColorWell(
        QStringLiteral("Inset color"), settingsField(m_settings, &EditSettings::frameColor, EditDefaults::frameColor),
        section));
    m_balance = section->add(new StudioSwitch(
        QStringLiteral("Balance inner corners"),
        settingsField(m_settings, &EditSettings::balancedCorners, EditDefaults::balancedCorners),
        StudioControlSize::regular, section));
    m_shadow = section->add(new SettingSlider(QStringLiteral("Shadow"),
                                              settingsField(m_settings, &EditSettings::shadowStrength), 0, 0.6,
                                              wholeValueFormat(100, QStringLiteral("%")), section));
    m_radius = section->add(new SettingSlider(QStringLiteral("Corner radius"),
                                              settingsField(m_settings, &EditSettings::cornerRadius), 0, 160,
                                              wholeValueFormat(1, QStringLiteral(" px")), section));
}

void CanvasInspector::refreshFrame(const EditSettings& settings)
{
    using Row = CanvasChoices::FrameRow;
    const std::vector<Row> rows = CanvasChoices::frameRows(settings);
    const auto shows = [&rows](Row row) { return std::find(rows.begin(), rows.end(), row) != rows.end(); };
    m_spacing->setVisible(shows(Row::spacing));
    m_insetColor->setVisible(shows(Row::insetColor));
    m_balance->setVisible(shows(Row::balance));
    for (SettingSlider* slider : {m_spacing, m_inset, m_shadow, m_radius})
        slider->refresh();
    m_insetColor->refresh();
    m_balance->refresh();
}

QMenu* CanvasInspector::presetsMenu()
{
    delete m_presetsMenu;
    m_presetsMenu = new QMenu(this);
    const std::vector<NamedCanvasStyle>& items = m_presets.items();
    if (items.empty())
        m_presetsMenu->addAction(QStringLiteral("No saved presets"))->setEnabled(false);
    for (const NamedCanvasStyle& preset : items) {
        const CanvasStyle style = preset.style;
        connect(m_presetsMenu->addAction(preset.name), &QAction::triggered, this, [this, style] {
            // One write: the whole look at once; the format and everything else stay.
            EditSettings next = m_settings.get();
            style.applyTo(next);
            write(next);
        });
    }
    m_presetsMenu->addSeparator();
    connect(m_presetsMenu->addAction(QString::fromUtf8("Save current style…")), &QAction::triggered, this,
            &CanvasInspector::askPresetName);
    if (!items.empty()) {
        QMenu* remove = m_presetsMenu->addMenu(QStringLiteral("Delete preset"));
        for (const NamedCanvasStyle& preset : items) {
            const QUuid id = preset.id;
            connect(remove->addAction(preset.name), &QAction::triggered, this, [this, id] { m_presets.remove(id); });
        }
    }
    return m_presetsMenu;
}

void CanvasInspector::askPresetName()
{
    // A dialog that has closed may wait a moment for its deletion; only an open one is reused.
    if (m_nameDialog && m_nameDialog->isVisible())
        return;
    m_name.clear();
    auto* dialog = new QDialog(this);
    m_nameDialog = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("Save canvas preset"));
    auto* column = new QVBoxLayout(dialog);
    column->setContentsMargins(20, 18, 20, 16);
    column->setSpacing(10);
    auto* title = new StudioLabel(QStringLiteral("Save canvas preset"), StudioTextStyle::headline,
                                  StudioLabelRole::primary, dialog);
    column->addWidget(title);
    auto* message = new StudioLabel(QStringLiteral("Reuse this background and frame in screenshots or videos."),
                                    StudioTextStyle::callout, StudioLabelRole::secondary, dialog);
    message->setWordWrap(true);
    column->addWidget(message);
    auto* field = new StudioTextField(StudioControlSize::regular, dialog);
    field->setPlaceholderText(QStringLiteral("Preset name"));
    field->setAccessibleName(QStringLiteral("Preset name"));
    field->setObjectName(QStringLiteral("presetName"));
    column->addWidget(field);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* cancel = new StudioButton(QStringLiteral("Cancel"), QString(), StudioButtonVariant::secondary,
                                    StudioControlSize::regular, dialog);
    auto* save = new StudioButton(QStringLiteral("Save"), QString(), StudioButtonVariant::primary,
                                  StudioControlSize::regular, dialog);
    save->setObjectName(QStringLiteral("savePreset"));
    buttons->addWidget(cancel);
    buttons->addWidget(save);
    column->addLayout(buttons);
    save->setEnabled(false);
    connect(field, &QLineEdit::textChanged, dialog, [this, save](const QString& text) {
        m_name = text;
        save->setEnabled(CanvasChoices::presetNameSavable(text));
    });
    const auto commit = [this, dialog] {
        if (!CanvasChoices::presetNameSavable(m_name))
            return;
        m_presets.save(m_name, m_settings.get());
        dialog->accept();
    };
    connect(save, &QAbstractButton::clicked, dialog, commit);
    connect(field, &QLineEdit::returnPressed, dialog, commit);
    connect(cancel, &QAbstractButton::clicked, dialog, &QDialog::reject);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->open();
    field->setFocus();
}

}  // namespace sablewick
