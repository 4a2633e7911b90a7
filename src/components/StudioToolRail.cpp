#include "components/StudioToolRail.h"

#include "components/StudioAccessibility.h"
#include "components/StudioIconToggle.h"
#include "components/StudioPaint.h"

#include <QPainter>
#include <QVBoxLayout>

namespace sablewick {

namespace {

constexpr int captionPixelSize = 10;

// The caption under a rail item: semibold and primary while lit, regular and secondary otherwise.
class RailCaption final : public QWidget {
public:
    RailCaption(QString text, std::function<bool()> active, QWidget* parent)
        : QWidget(parent)
        , m_text(std::move(text))
        , m_active(std::move(active))
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        // The toggle above already carries the title.
        hideFromAssistiveTools(this);
        const QFontMetrics fm(studioFont(captionPixelSize, QFont::DemiBold));
        setFixedHeight(fm.height());
        setMinimumWidth(fm.horizontalAdvance(m_text));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const StudioColors colors = StudioColors::of(this);
        const bool active = m_active();
        painter.setFont(studioFont(captionPixelSize, active ? QFont::DemiBold : QFont::Normal));
        painter.setPen(active ? colors.label : colors.secondaryLabel);
        painter.drawText(rect(), Qt::AlignHCenter | Qt::AlignVCenter, m_text);
    }

private:
    QString m_text;
    std::function<bool()> m_active;
};

} // namespace

StudioToolRail::StudioToolRail(std::vector<Item> items, QWidget* parent)
    : QWidget(parent)
    , m_items(std::move(items))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, topPadding, 0, 0);
    layout->setSpacing(itemSpacing);
    for (const Item& item : m_items) {
        auto* cell = new QWidget(this);
        auto* cellLayout = new QVBoxLayout(cell);
        cellLayout->setContentsMargins(0, 3, 0, 3);
        cellLayout->setSpacing(5);
        // Writing through the toggle repaints the whole rail: another item may have gone dark.
        StudioBinding<bool> binding{item.active.get, [this, set = item.active.set](const bool& on) {
                                        set(on);
                                        refresh();
                                    }};
        auto* toggle = new StudioIconToggle(item.title, item.symbol, binding,
                                            StudioControlSize::regular, cell);
        cellLayout->addWidget(toggle, 0, Qt::AlignHCenter);
        cellLayout->addWidget(new RailCaption(item.title, item.active.get, cell), 0, Qt::AlignHCenter);
        layout->addWidget(cell, 0, Qt::AlignHCenter);
        m_toggles.push_back(toggle);
    }
    layout->addStretch(1);
}

bool StudioToolRail::isActive(int index) const
{
    return m_items.at(static_cast<std::size_t>(index)).active.get();
}

void StudioToolRail::refresh()
{
    update();
    for (QWidget* child : findChildren<QWidget*>())
        child->update();
}

} // namespace sablewick
