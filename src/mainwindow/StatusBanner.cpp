#include "mainwindow/StatusBanner.h"

#include "components/StudioButton.h"
#include "components/StudioLabel.h"
#include "components/StudioPaint.h"

#include <QHBoxLayout>
#include <QPainter>

namespace sablewick {

StatusBanner::StatusBanner(QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 12, 12, 12);
    row->addWidget(new StudioSymbolView(QStringLiteral("info.circle"), 13, StudioLabelRole::secondary, this));
    m_text = new StudioLabel(QString(), StudioTextStyle::caption, StudioLabelRole::secondary, this);
    m_text->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    row->addWidget(m_text, 1);
    m_buttons = new QHBoxLayout;
    row->addLayout(m_buttons);
}

void StatusBanner::show(const QString& notice, const std::vector<ContentPresenter::StatusButtonInfo>& buttons)
{
    m_text->setText(notice);
    m_text->setToolTip(notice);
    m_text->setAccessibleName(notice);
    std::vector<ContentPresenter::StatusButton> kinds;
    for (const auto& b : buttons)
        kinds.push_back(b.button);
    if (kinds != m_shown) {
        while (QLayoutItem* item = m_buttons->takeAt(0)) {
            delete item->widget();
            delete item;
        }
        for (const auto& b : buttons) {
            auto* button = new StudioButton(b.title, QString(), StudioButtonVariant::secondary,
                                            StudioControlSize::compact, this);
            const ContentPresenter::StatusButton kind = b.button;
            connect(button, &QAbstractButton::clicked, this, [this, kind] { emit buttonClicked(kind); });
            m_buttons->addWidget(button);
        }
        m_shown = kinds;
    }
    setVisible(true);
}

QString StatusBanner::notice() const
{
    return m_text->text();
}

void StatusBanner::paintEvent(QPaintEvent*)
{
    // The quaternary fill at half strength: a faint band that any theme's text reads on.
    QColor fill = StudioColors::of(this).label;
    fill.setAlphaF(0.05f);
    QPainter(this).fillRect(rect(), fill);
}

}  // namespace sablewick
