#include "screenshoteditor/MarkupPanel.h"

#include "components/StudioButton.h"
#include "components/StudioColorSwatch.h"
#include "components/StudioLabel.h"
#include "components/StudioSlider.h"
#include "components/StudioTextField.h"
#include "screenshoteditor/ColorWell.h"
#include "screenshoteditor/MarkupPresenter.h"
#include "screenshots/ScreenshotModel.h"
#include "workspace/CanvasChoices.h"
#include "workspace/InspectorSection.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <cmath>

namespace sablewick {

namespace {

StudioLabel* caption(const QString& text)
{
    auto* label = new StudioLabel(text, StudioTextStyle::caption, StudioLabelRole::secondary);
    label->setWordWrap(true);
    return label;
}

}  // namespace

MarkupPanel::MarkupPanel(ScreenshotModel& model, MarkupPanelHost host, QWidget* parent)
    : QWidget(parent), m_model(model), m_host(std::move(host))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(16);

    auto* section = new InspectorSection(QStringLiteral("Markup"));
    layout->addWidget(section);
    StudioBinding<RgbColor> color{m_host.color.get, [this](const RgbColor& value) {
                                      m_host.color.set(value);
                                      refresh();
                                  }};
    m_colorWell = section->add(new ColorWell(QStringLiteral("Color"), color));

    auto* swatchRow = new QWidget;
    auto* swatchLayout = new QHBoxLayout(swatchRow);
    swatchLayout->setContentsMargins(0, 0, 0, 0);
    for (const RgbColor value : MarkupPresenter::swatches) {
        auto* swatch = new StudioColorSwatch(CanvasChoices::colorOf(value), MarkupPresenter::swatchTitle(value), false);
        swatch->setAccessibleName(MarkupPresenter::swatchTitle(value));
        swatch->setToolTip(MarkupPresenter::swatchTitle(value));
        connect(swatch, &StudioColorSwatch::clicked, this, [this, value] {
            m_host.color.set(value);
            refresh();
        });
        swatchLayout->addWidget(swatch);
        m_swatches.push_back(swatch);
    }
    swatchLayout->addStretch(1);
    section->add(swatchRow);

    m_addButton = section->add(new StudioButton(QString(), QString(), StudioButtonVariant::secondary,
                                                StudioControlSize::regular));
    connect(m_addButton, &StudioButton::clicked, this, &MarkupPanel::addCentered);

    auto* strokeRow = new QWidget;
    auto* strokeLayout = new QHBoxLayout(strokeRow);
    strokeLayout->setContentsMargins(0, 0, 0, 0);
    strokeLayout->addWidget(new StudioLabel(QStringLiteral("Stroke"), StudioTextStyle::body));
    strokeLayout->addStretch(1);
    m_strokeValue = new StudioLabel(QString(), StudioTextStyle::body, StudioLabelRole::secondary);
    strokeLayout->addWidget(m_strokeValue);
    section->add(strokeRow);
    StudioBinding<double> weight{m_host.weight.get, [this](const double& value) {
                                     m_host.weight.set(value);
                                     m_strokeValue->setText(MarkupPresenter::strokeText(m_host.weight.get()));
                                 }};
    m_strokeSlider = section->add(
        new StudioSlider(weight, MarkupPresenter::minimumWeight, MarkupPresenter::maximumWeight, 1.0));
    m_strokeSlider->setAccessibleName(QStringLiteral("Annotation stroke"));
    section->add(caption(
        QStringLiteral("Pixelate changes the exported pixels. Highlights and shapes stay editable in saved projects.")));

    layout->addStretch(1);

    connect(&m_model, &ScreenshotModel::annotationsChanged, this, &MarkupPanel::refreshSelectedSection);
    refresh();
}

void MarkupPanel::refresh()
{
    const RgbColor color = m_host.color.get();
    m_colorWell->refresh();
    for (std::size_t i = 0; i < m_swatches.size(); ++i)
        m_swatches[i]->setSelected(MarkupPresenter::swatches[i] == color);
    const std::optional<QString> add = MarkupPresenter::addAtCenterTitle(m_host.tool());
    m_addButton->setVisible(add.has_value());
    if (add)
        m_addButton->setText(*add);
    m_strokeValue->setText(MarkupPresenter::strokeText(m_host.weight.get()));
    m_strokeSlider->refresh();
    refreshSelectedSection();
}

void MarkupPanel::addCentered()
{
    const ScreenshotTool tool = m_host.tool();
    if (tool == ScreenshotTool::text) {
        m_host.promptForText(MarkupPresenter::centeredTextAnchor);
        return;
    }
    if (!MarkupPresenter::addAtCenterTitle(tool))
        return;
    const QUuid id = MarkupPresenter::addCentered(m_model, tool, m_host.color.get(), m_host.weight.get());
    m_host.selected.set(id);
    refreshSelectedSection();
}

void MarkupPanel::refreshSelectedSection()
{
    const std::optional<QUuid> selected = m_host.selected.get();
    const ScreenshotAnnotation* shown =
        selected ? MarkupPresenter::find(m_model.annotations(), *selected) : nullptr;
    const bool sameKind = shown && m_selectedSection && m_shownId == shown->id &&
                          (m_textField != nullptr) == (shown->tool == ScreenshotTool::text) &&
                          m_selectedSection->accessibleName() == MarkupPresenter::selectedTitle(shown->tool);
    if (!sameKind) {
        rebuildSelectedSection();
        return;
    }
    // Fields the user is typing in keep their text: rewriting it would move the caret (and, for a
    // position, undo a half-typed number).
    if (m_textField && !m_textField->hasFocus() && m_textField->text() != shown->text)
        m_textField->setText(shown->text);
    m_selectedColor->refresh();
    for (const bool horizontal : {true, false}) {
        QLineEdit* field = positionField(horizontal);
        if (!field->hasFocus())
            field->setText(MarkupPresenter::percentText(MarkupPresenter::positionPercent(shown, horizontal)));
    }
}

void MarkupPanel::rebuildSelectedSection()
{
    delete m_selectedSection;
    m_textField = nullptr;
    m_selectedColor = nullptr;
    m_horizontal = m_vertical = nullptr;
    m_deleteButton = nullptr;
    m_shownId = QUuid();

    const std::optional<QUuid> selected = m_host.selected.get();
    const ScreenshotAnnotation* annotation =
        selected ? MarkupPresenter::find(m_model.annotations(), *selected) : nullptr;
    if (!annotation)
        return;
    const QUuid id = annotation->id;
    m_shownId = id;
    auto* section = new InspectorSection(MarkupPresenter::selectedTitle(annotation->tool));
    m_selectedSection = section;

    if (annotation->tool == ScreenshotTool::text) {
        m_textField = section->add(new StudioTextField(StudioControlSize::regular));
        m_textField->setPlaceholderText(QStringLiteral("Text"));
        m_textField->setAccessibleName(QStringLiteral("Text"));
        m_textField->setText(annotation->text);
        connect(m_textField, &QLineEdit::textEdited, this, [this, id](const QString& text) {
            MarkupPresenter::write(m_model, id, [&](ScreenshotAnnotation& a) { a.text = text; });
        });
    }

    const RgbColor fallbackColor = annotation->color;
    StudioBinding<RgbColor> color{
        [this, id, fallbackColor] {
            const ScreenshotAnnotation* a = MarkupPresenter::find(m_model.annotations(), id);
            return a ? a->color : fallbackColor;
        },
        [this, id](const RgbColor& value) {
            MarkupPresenter::write(m_model, id, [&](ScreenshotAnnotation& a) { a.color = value; });
        }};
    m_selectedColor = section->add(new ColorWell(QStringLiteral("Color"), color));

    auto* positionRow = new QWidget;
    auto* positionLayout = new QHBoxLayout(positionRow);
    positionLayout->setContentsMargins(0, 0, 0, 0);
    positionLayout->addWidget(new StudioLabel(QStringLiteral("Position"), StudioTextStyle::caption));
    for (const bool horizontal : {true, false}) {
        auto* field = new StudioTextField(StudioControlSize::regular);
        field->setPlaceholderText(horizontal ? QStringLiteral("Horizontal %") : QStringLiteral("Vertical %"));
        field->setAccessibleName(horizontal ? QStringLiteral("Annotation horizontal position percent")
                                            : QStringLiteral("Annotation vertical position percent"));
        field->setText(MarkupPresenter::percentText(MarkupPresenter::positionPercent(annotation, horizontal)));
        connect(field, &QLineEdit::editingFinished, this, [this, horizontal] { commitPosition(horizontal); });
        positionLayout->addWidget(field, 1);
        (horizontal ? m_horizontal : m_vertical) = field;
    }
    section->add(positionRow);

    m_deleteButton = section->add(new StudioButton(QStringLiteral("Delete annotation"), QStringLiteral("trash"),
                                                   StudioButtonVariant::secondary, StudioControlSize::regular));
    connect(m_deleteButton, &StudioButton::clicked, this, [this] { m_host.deleteSelection(); });

    // Below the first section, above the stretch.
    static_cast<QVBoxLayout*>(layout())->insertWidget(1, section);
}

void MarkupPanel::commitPosition(bool horizontal)
{
    QLineEdit* field = positionField(horizontal);
    if (!field)
        return;
    const QUuid id = m_shownId;
    if (const ScreenshotAnnotation* shown = MarkupPresenter::find(m_model.annotations(), id))
        if (const auto moved = MarkupPresenter::committedPosition(*shown, horizontal, field->text()))
            MarkupPresenter::write(m_model, id, [&](ScreenshotAnnotation& a) { a = *moved; });
    // Shows where the mark came to rest (held inside the picture), or its old place after text
    // that is no number.
    field->setText(MarkupPresenter::percentText(
        MarkupPresenter::positionPercent(MarkupPresenter::find(m_model.annotations(), id), horizontal)));
}

}  // namespace sablewick
