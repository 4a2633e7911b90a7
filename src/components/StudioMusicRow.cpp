#include "components/StudioMusicRow.h"

#include "components/StudioButton.h"
#include "components/StudioLabel.h"
#include "components/StudioPaint.h"
#include "components/StudioTile.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace sablewick {

namespace {

constexpr int rowSymbolSize = 16;

} // namespace

StudioMusicRow::StudioMusicRow(const QString& title, const QString& detail, bool selected, bool playing,
                               std::function<void()> select, std::function<void()> audition,
                               QWidget* parent)
    : QWidget(parent)
    , m_title(title)
    , m_selected(selected)
    , m_playing(playing)
    , m_tile(new StudioTileButton(selected, this))
    , m_audition(new StudioIconButton(QString(), QStringLiteral("play.fill"), StudioButtonVariant::secondary,
                                      StudioControlSize::regular, this))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);

    auto* content = new QHBoxLayout(m_tile);
    content->setContentsMargins(12, 12, 12, 12);
    content->setSpacing(12);
    content->addWidget(new StudioSymbolView(QStringLiteral("waveform"), rowSymbolSize, StudioLabelRole::secondary, m_tile));
    auto* lines = new QVBoxLayout;
    lines->setSpacing(4);
    auto* name = new StudioLabel(title, StudioTextStyle::callout, StudioLabelRole::primary, m_tile);
    name->setTextStyle(StudioTextStyle::callout, QFont::Medium);
    name->setWordWrap(true);
    auto* description = new StudioLabel(detail, StudioTextStyle::caption, StudioLabelRole::secondary, m_tile);
    description->setWordWrap(true);
    lines->addWidget(name);
    lines->addWidget(description);
    content->addLayout(lines, 1);
    m_check = new StudioSymbolView(QStringLiteral("checkmark"), rowSymbolSize, StudioLabelRole::accent, m_tile);
    content->addWidget(m_check);
    m_tile->setMinimumHeight(minimumTileHeight);
    m_tile->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_tile->setAccessibleName(QStringLiteral("Use ") + title);
    row->addWidget(m_tile, 1);

    m_audition->setToolTip(auditionHelp);
    row->addWidget(m_audition, 0, Qt::AlignVCenter);

    connect(m_tile, &QAbstractButton::clicked, this, [select = std::move(select)] {
        if (select)
            select();
    });
    connect(m_audition, &QAbstractButton::clicked, this, [audition = std::move(audition)] {
        if (audition)
            audition();
    });
    refresh();
}

void StudioMusicRow::setSelected(bool selected)
{
    m_selected = selected;
    refresh();
}

void StudioMusicRow::setPlaying(bool playing)
{
    m_playing = playing;
    refresh();
}

void StudioMusicRow::refresh()
{
    m_tile->setSelected(m_selected);
    const StudioColors colors = StudioColors::of(this);
    QColor fill = m_selected ? colors.accent : StudioSystemColors::label().resolved(colors.environment.scheme);
    fill.setAlphaF(m_selected ? 0.08f : 0.025f);
    m_tile->setFill(fill);
    m_check->setVisible(m_selected);
    m_audition->setTitleAndSymbol((m_playing ? QStringLiteral("Stop preview ") : QStringLiteral("Preview "))
                                      + m_title,
                                  m_playing ? QStringLiteral("stop.fill") : QStringLiteral("play.fill"));
    // The title names the action for assistive tools; the tooltip explains the preview.
    m_audition->setToolTip(auditionHelp);
}

} // namespace sablewick
