#include "workspace/TimelineTrackAccessible.h"

#include "workspace/TimelineText.h"
#include "workspace/TimelineTrack.h"

#include <QAccessibleWidget>
#include <QPointer>

#include <algorithm>
#include <map>
#include <utility>

namespace sablewick {

namespace {

using Element = TimelineTrack::Element;
// An element stays the same element while it exists: a zoom's body is still its body after a move.
using ElementKey = std::pair<int, QUuid>;

ElementKey keyOf(const Element& element) { return {int(element.kind), element.point}; }

class ElementAccessible final : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    ElementAccessible(TimelineTrack* track, ElementKey key) : m_track(track), m_key(std::move(key)) {}

    const ElementKey& key() const { return m_key; }

    std::optional<Element> current() const
    {
        if (!m_track)
            return std::nullopt;
        for (const Element& element : m_track->elements())
            if (keyOf(element) == m_key)
                return element;
        return std::nullopt;
    }

    bool isValid() const override { return current().has_value(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override
    {
        return m_track ? m_track->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_track.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }

    QString text(QAccessible::Text t) const override
    {
        const std::optional<Element> element = current();
        if (!element)
            return {};
        if (t == QAccessible::Name)
            return element->name;
        if (t == QAccessible::Description && element->kind == Element::Kind::segmentBody)
            return TimelineText::segmentHelp;
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override
    {
        const std::optional<Element> element = current();
        if (!element)
            return {};
        const QRect local = element->area.toAlignedRect();
        return {m_track->mapToGlobal(local.topLeft()), local.size()};
    }

    QAccessible::Role role() const override
    {
        switch (Element::Kind(m_key.first)) {
        case Element::Kind::segmentBody:
            return QAccessible::Button;
        case Element::Kind::playhead:
            return QAccessible::Indicator;
        default:
            return QAccessible::Grip;
        }
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        const std::optional<Element> element = current();
        if (!element) {
            state.invalid = true;
            return state;
        }
        // Scrolled out of the magnified strip's view, or off the strip's ends.
        const QRect local = element->area.toAlignedRect();
        if (!m_track->isVisible() || !m_track->visibleRegion().intersects(local)) {
            state.invisible = true;
            state.offscreen = true;
        }
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    QStringList actionNames() const override
    {
        if (Element::Kind(m_key.first) == Element::Kind::segmentBody && isValid())
            return {pressAction()};
        return {};
    }
    void doAction(const QString& name) override
    {
        if (name == pressAction() && Element::Kind(m_key.first) == Element::Kind::segmentBody && isValid())
            m_track->clickSegment(m_key.second);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<TimelineTrack> m_track;
    ElementKey m_key;
};

class TrackAccessible;

// The strips some tool has asked about; the others announce nothing. Main thread only.
std::map<const TimelineTrack*, TrackAccessible*>& askedAbout()
{
    static std::map<const TimelineTrack*, TrackAccessible*> tracks;
    return tracks;
}

class TrackAccessible final : public QAccessibleWidget {
public:
    explicit TrackAccessible(TimelineTrack* track) : QAccessibleWidget(track, QAccessible::Pane)
    {
        askedAbout()[track] = this;
    }

    ~TrackAccessible() override
    {
        std::erase_if(askedAbout(), [this](const auto& entry) { return entry.second == this; });
        for (const auto& [key, known] : m_children)
            QAccessible::deleteAccessibleInterface(known.id);
    }

    int childCount() const override { return int(track()->elements().size()); }

    QAccessibleInterface* child(int index) const override
    {
        const std::vector<Element> elements = track()->elements();
        if (index < 0 || size_t(index) >= elements.size())
            return nullptr;
        forgetGone(elements);
        return interfaceFor(elements[size_t(index)]);
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        const auto* element = dynamic_cast<const ElementAccessible*>(child);
        if (!element)
            return -1;
        const std::vector<Element> elements = track()->elements();
        for (size_t i = 0; i < elements.size(); ++i)
            if (keyOf(elements[i]) == element->key())
                return int(i);
        return -1;
    }

    QAccessibleInterface* childAt(int x, int y) const override
    {
        const std::optional<Element> element = track()->elementAt(QPointF(track()->mapFromGlobal(QPoint(x, y))));
        return element ? interfaceFor(*element) : nullptr;
    }

    // Compares what the tools were last told with what the strip shows now.
    void announceChanges()
    {
        const std::vector<Element> elements = track()->elements();
        bool reordered = elements.size() != m_children.size();
        for (const Element& element : elements) {
            const auto known = m_children.find(keyOf(element));
            if (known == m_children.end()) {
                reordered = true;
                continue;
            }
            QAccessibleInterface* child = QAccessible::accessibleInterface(known->second.id);
            if (known->second.name != element.name) {
                QAccessibleEvent event(child, QAccessible::NameChanged);
                QAccessible::updateAccessibility(&event);
            }
            if (known->second.area != element.area) {
                QAccessibleEvent event(child, QAccessible::LocationChanged);
                QAccessible::updateAccessibility(&event);
            }
            known->second.name = element.name;
            known->second.area = element.area;
        }
        forgetGone(elements);
        if (reordered) {
            QAccessibleEvent event(track(), QAccessible::ObjectReorder);
            QAccessible::updateAccessibility(&event);
        }
    }

private:
    struct Known {
        QAccessible::Id id = 0;
        QString name;
        QRectF area;
    };

    TimelineTrack* track() const { return static_cast<TimelineTrack*>(widget()); }

    QAccessibleInterface* interfaceFor(const Element& element) const
    {
        const ElementKey key = keyOf(element);
        if (const auto known = m_children.find(key); known != m_children.end())
            return QAccessible::accessibleInterface(known->second.id);
        auto* child = new ElementAccessible(track(), key);
        m_children[key] = {QAccessible::registerAccessibleInterface(child), element.name, element.area};
        return child;
    }

    // A deleted zoom's elements are gone for good; their interfaces go with them.
    void forgetGone(const std::vector<Element>& elements) const
    {
        for (auto it = m_children.begin(); it != m_children.end();) {
            const bool present = std::any_of(elements.begin(), elements.end(),
                                             [&](const Element& element) { return keyOf(element) == it->first; });
            if (present) {
                ++it;
                continue;
            }
            QAccessible::deleteAccessibleInterface(it->second.id);
            it = m_children.erase(it);
        }
    }

    mutable std::map<ElementKey, Known> m_children;
};

QAccessibleInterface* makeTrackAccessible(const QString&, QObject* object)
{
    if (auto* track = qobject_cast<TimelineTrack*>(object))
        return new TrackAccessible(track);
    return nullptr;
}

}  // namespace

void ensureTimelineTrackAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(makeTrackAccessible);
        return true;
    }();
    Q_UNUSED(installed);
}

void announceTimelineTrackChanges(TimelineTrack* track)
{
    if (!QAccessible::isActive())
        return;
    if (const auto asked = askedAbout().find(track); asked != askedAbout().end())
        asked->second->announceChanges();
}

}  // namespace sablewick
