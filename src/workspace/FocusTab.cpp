#include "workspace/FocusTab.h"

#include "components/StudioButton.h"
#include "components/StudioLabel.h"
#include "components/StudioSlider.h"
#include "components/StudioSwitch.h"
#include "editor/EditorDocument.h"
#include "editor/FocusEditor.h"
#include "workspace/ContentState.h"
#include "workspace/DurationControl.h"
#include "workspace/InspectorBindings.h"
#include "workspace/InspectorParts.h"
#include "workspace/InspectorSection.h"
#include "workspace/InspectorText.h"
#include "workspace/SecondsField.h"
#include "workspace/TimelineText.h"
#include "workspace/ZoomSegmentOptions.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>

namespace sablewick {

using namespace InspectorBindings;

FocusTab::FocusTab(EditorDocument& document, FocusEditor& focus, ContentState& state, QWidget* parent)
    : QWidget(parent)
    , m_document(document)
    , m_focus(focus)
    , m_state(state)
{
    QVBoxLayout* page = InspectorParts::page(this);
    m_selectionHost = new QVBoxLayout;
    m_selectionHost->setContentsMargins(0, 0, 0, 0);
    page->addLayout(m_selectionHost);

    QVBoxLayout* smart = InspectorParts::section(page, QStringLiteral("Smart zoom"))->column();
    m_zoomEnabled =
        new StudioSwitch(QStringLiteral("Enable zoom effects"), setting(document, &EditSettings::zoomEnabled));
    smart->addWidget(m_zoomEnabled);
    m_strength = InspectorParts::settingSlider(smart, QStringLiteral("Strength"),
                                               setting(document, &EditSettings::zoomStrength), 1.05, 4,
                                               InspectorText::factor);
    m_transition = InspectorParts::settingSlider(
        smart, QStringLiteral("Transition"),
        optionalSetting(document, &EditSettings::zoomTransition, EditDefaults::zoomTransition), 0.15, 1.4,
        InspectorText::seconds);
    m_defaultLength = new DurationControl(QStringLiteral("Default length"),
                                          setting(document, &EditSettings::zoomDuration),
                                          [&document] { return std::max(document.duration(), 0.3); });
    smart->addWidget(m_defaultLength);
    smart->addWidget(InspectorParts::note(QStringLiteral("Click and typing markers are saved with recordings. Imported videos can use manual zoom points.")));

    m_list = InspectorParts::section(page, QStringLiteral("Zoom points"))->column();
    m_emptyList = InspectorParts::note(QStringLiteral("No zoom points yet. Move the playhead and choose Add zoom."));
    m_list->addWidget(m_emptyList);

    connect(&document, &EditorDocument::settingsChanged, this, &FocusTab::refresh);
    connect(&document, &EditorDocument::eventsChanged, this, &FocusTab::refresh);
    connect(&document, &EditorDocument::durationChanged, this, &FocusTab::refresh);
    connect(&document, &EditorDocument::pointerSamplesChanged, this, &FocusTab::refresh);
    connect(&state, &ContentState::changed, this, &FocusTab::refresh);
    refresh();
}

void FocusTab::refresh()
{
    refreshSelection();
    m_zoomEnabled->refresh();
    m_strength->refresh();
    m_transition->refresh();
    m_defaultLength->refresh();
    refreshList();
}

void FocusTab::replaceSelectionArea(const std::function<QWidget*()>& build)
{
    // The old area may hold the button whose click led here: it goes once that click is done.
    if (m_selected.area) {
        m_selected.area->hide();
        m_selected.area->deleteLater();
    }
    m_selected = {};
    QWidget* area = build();
    m_selected.area = area;
    m_selectionHost->addWidget(area);
}

void FocusTab::refreshSelection()
{
    const std::optional<QUuid> id = m_state.selectedPoint();
    const FocusPoint* point = id ? findPoint(m_document, *id) : nullptr;
    if (!point) {
        const std::pair<bool, bool> guidance{m_state.pendingZoomTime().has_value(), !m_document.events().empty()};
        if (m_shownZoom || m_shownGuidance != guidance) {
            m_shownZoom.reset();
            m_shownGuidance = guidance;
            replaceSelectionArea([&] { return buildGuidance(guidance.first, guidance.second); });
        }
        return;
    }
    if (m_shownZoom != point->id) {
        m_shownZoom = point->id;
        m_shownGuidance.reset();
        replaceSelectionArea([&] { return buildSelected(*point); });
    }
    Selected& s = m_selected;
    InspectorParts::retitle(s.section, InspectorText::selectedZoomTitle(point->time));
    s.start->refresh();
    s.length->refresh();
    s.horizontal->refresh();
    s.vertical->refresh();
    s.useDefaultLength->setVisible(point->zoomDuration.has_value());
}

QWidget* FocusTab::buildSelected(const FocusPoint& point)
{
    auto* area = new QWidget;
    QVBoxLayout* page = InspectorParts::page(area);
    m_selected.section = InspectorParts::section(page, InspectorText::selectedZoomTitle(point.time));
    QVBoxLayout* body = m_selected.section->column();
    const QUuid id = point.id;
    EditorDocument& document = m_document;
    FocusEditor& focus = m_focus;

    auto* startRow = new QHBoxLayout;
    startRow->setSpacing(6);
    startRow->addWidget(new StudioLabel(QStringLiteral("Starts at"), StudioTextStyle::caption));
    startRow->addStretch(1);
    const double builtTime = point.time;
    m_selected.start = new SecondsField({[&document, id, builtTime] {
                                             const FocusPoint* live = findPoint(document, id);
                                             return live ? live->time : builtTime;
                                         },
                                         [&focus, id](const double& seconds) {
                                             focus.moveFocusPoint(id, seconds);
                                             focus.finishMovingFocusPoint(id);
                                         }},
                                        2, 72, QStringLiteral("Zoom start in seconds"));
    startRow->addWidget(m_selected.start);
    startRow->addWidget(new StudioLabel(QStringLiteral("sec"), StudioTextStyle::caption, StudioLabelRole::secondary));
    body->addLayout(startRow);

    m_selected.options = new ZoomSegmentOptions(document, focus, point);
    body->addWidget(m_selected.options);

    m_selected.length = new DurationControl(QStringLiteral("This zoom length"),
                                            {[&focus, id] { return focus.zoomLength(id); },
                                             [&focus, id](const double& length) { focus.setZoomLength(length, id); }},
                                            [&focus, id] { return focus.maxZoomLength(id); });
    body->addWidget(m_selected.length);

    auto* actions = new QHBoxLayout;
    StudioButton* place = InspectorParts::button(QStringLiteral("Place in preview"));
    connect(place, &QAbstractButton::clicked, this, [this, id] {
        if (const FocusPoint* live = findPoint(m_document, id)) {
            const FocusPoint point = *live;
            m_state.beginPlacing(point);
        }
    });
    actions->addWidget(place);
    actions->addStretch(1);
    auto* remove = new StudioIconButton(QStringLiteral("Delete selected zoom"), QStringLiteral("trash"),
                                        StudioButtonVariant::secondary, StudioControlSize::compact);
    connect(remove, &QAbstractButton::clicked, this, [this, id] {
        if (const FocusPoint* live = findPoint(m_document, id)) {
            const FocusPoint point = *live;
            m_state.removeZoom(point);
        }
    });
    actions->addWidget(remove);
    body->addLayout(actions);

    m_selected.horizontal = InspectorParts::settingSlider(body, QStringLiteral("Horizontal focus"),
                                                          pointPosition(document, id, &FocusPoint::x), 0, 1,
                                                          InspectorText::percent);
    m_selected.vertical = InspectorParts::settingSlider(body, QStringLiteral("Vertical focus"),
                                                        pointPosition(document, id, &FocusPoint::y), 0, 1,
                                                        InspectorText::percent);

    m_selected.useDefaultLength = InspectorParts::button(QStringLiteral("Use default length"));
    connect(m_selected.useDefaultLength, &QAbstractButton::clicked, this, [this, id] { m_focus.resetZoomLength(id); });
    body->addWidget(m_selected.useDefaultLength, 0, Qt::AlignLeft);
    return area;
}

QWidget* FocusTab::buildGuidance(bool placingNew, bool hasZooms)
{
    const InspectorText::Guidance text = InspectorText::guidance(placingNew, hasZooms);
    auto* area = new QWidget;
    QVBoxLayout* body = InspectorParts::section(InspectorParts::page(area), QString())->column();
    body->setContentsMargins(0, 8, 0, 8);
    body->setSpacing(12);
    body->addWidget(new StudioSymbolView(text.symbol, textStylePixelSize(StudioTextStyle::title2),
                                         StudioLabelRole::readableAccent));
    body->addWidget(new StudioLabel(text.headline, StudioTextStyle::headline));
    body->addWidget(InspectorParts::note(text.explanation, StudioTextStyle::callout));
    auto* button = new StudioButton(text.button, text.buttonSymbol, StudioButtonVariant::secondary,
                                    StudioControlSize::regular);
    if (text.cancelsPlacement)
        connect(button, &QAbstractButton::clicked, &m_state, &ContentState::cancelPlacement);
    else
        connect(button, &QAbstractButton::clicked, this, [this] { m_state.addZoomAndPlace(std::nullopt); });
    body->addWidget(button, 0, Qt::AlignLeft);
    return area;
}

void FocusTab::refreshList()
{
    ListKey key;
    for (const FocusPoint& p : m_document.events())
        key.emplace_back(p.id, p.time, p.kind);
    if (m_listKey == key)
        return;
    m_listKey = key;
    m_emptyList->setVisible(key.empty());
    if (m_rows) {
        m_rows->hide();
        m_rows->deleteLater();
    }
    m_rows = new QWidget;
    auto* rows = new QVBoxLayout(m_rows);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(6);
    for (const FocusPoint& point : m_document.events()) {
        auto* row = new QHBoxLayout;
        row->setSpacing(8);
        auto* symbol = new StudioSymbolView(InspectorText::kindSymbol(point.kind), 14, StudioLabelRole::secondary);
        symbol->setFixedWidth(18);
        row->addWidget(symbol, 0, Qt::AlignVCenter);
        const QUuid id = point.id;
        StudioButton* time = InspectorParts::button(TimelineText::time(point.time));
        connect(time, &QAbstractButton::clicked, this, [this, id] {
            m_focus.previewFocusPoint(id);
            m_state.setSelectedPoint(id);
        });
        row->addWidget(time, 0, Qt::AlignVCenter);
        row->addStretch(1);
        auto* remove = new StudioIconButton(InspectorText::removeZoomLabel(point.time), QStringLiteral("trash"),
                                            StudioButtonVariant::secondary, StudioControlSize::compact);
        connect(remove, &QAbstractButton::clicked, this, [this, id] {
            if (const FocusPoint* live = findPoint(m_document, id)) {
                const FocusPoint point = *live;
                m_state.removeZoom(point);
            }
        });
        row->addWidget(remove, 0, Qt::AlignVCenter);
        rows->addLayout(row);
    }
    m_list->addWidget(m_rows);
}

}  // namespace sablewick
