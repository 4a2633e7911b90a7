#include "mainwindow/StudioWelcome.h"

#include "components/StudioButton.h"
#include "components/StudioLabel.h"
#include "components/StudioPaint.h"
#include "mainwindow/ContentPresenter.h"
#include "mainwindow/MainWindowText.h"

#include <QBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
#include <QScrollArea>

namespace sablewick {

namespace {

// A rounded surface with an optional hairline border, the ground of the cards and the banner.
class Surface : public QWidget {
public:
    Surface(double radius, bool bordered, QWidget* parent = nullptr)
        : QWidget(parent), m_radius(radius), m_bordered(bordered)
    {
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const StudioColors colors = StudioColors::of(this);
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath path;
        path.addRoundedRect(r, m_radius, m_radius);
        p.fillPath(path, colors.surface);
        if (m_bordered) {
            p.setPen(QPen(colors.separator, 1));
            p.drawPath(path);
        }
    }

private:
    double m_radius;
    bool m_bordered;
};

StudioLabel* wrapped(StudioLabel* label)
{
    label->setWordWrap(true);
    return label;
}

}  // namespace

// One start card: symbol, title, detail and its action, side by side when compact.
class StudioWelcome::Card final : public Surface {
public:
    Card(const QString& title, const QString& symbol, const QString& detail, QWidget* action, QWidget* parent)
        : Surface(22, true, parent), m_action(action)
    {
        m_layout = new QBoxLayout(QBoxLayout::TopToBottom, this);
        m_layout->setContentsMargins(22, 22, 22, 22);
        m_layout->setSpacing(18);
        m_symbol = new StudioSymbolView(symbol, 27, StudioLabelRole::readableAccent, this);
        m_symbol->setFixedSize(32, 32);
        auto* text = new QWidget(this);
        auto* textLayout = new QVBoxLayout(text);
        textLayout->setContentsMargins(0, 0, 0, 0);
        textLayout->setSpacing(8);
        textLayout->addWidget(new StudioLabel(title, StudioTextStyle::headline, StudioLabelRole::primary, text));
        m_detail = wrapped(new StudioLabel(detail, StudioTextStyle::callout, StudioLabelRole::secondary, text));
        m_detail->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        textLayout->addWidget(m_detail);
        textLayout->addStretch(1);
        m_text = text;
        m_layout->addWidget(m_symbol);
        m_layout->addWidget(m_text, 1);
        m_layout->addWidget(m_action, 0, Qt::AlignLeft);
        setCompact(false);
    }

    void setCompact(bool compact)
    {
        m_layout->setDirection(compact ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
        m_layout->setAlignment(m_symbol, compact ? Qt::AlignVCenter : Qt::AlignLeft);
        m_layout->setAlignment(m_action, compact ? Qt::AlignVCenter : Qt::AlignLeft);
        m_detail->setMinimumHeight(compact ? 0 : 55);
    }

private:
    QBoxLayout* m_layout;
    StudioSymbolView* m_symbol;
    QWidget* m_text;
    StudioLabel* m_detail;
    QWidget* m_action;
};

StudioWelcome::StudioWelcome(QWidget* parent) : QWidget(parent)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    outer->addWidget(scroll);

    auto* page = new QWidget;
    page->setMaximumWidth(1040);
    page->setAutoFillBackground(false);
    auto* content = new QVBoxLayout(page);
    content->setContentsMargins(36, 36, 36, 36);
    content->setSpacing(32);

    // Hero.
    auto* hero = new QHBoxLayout;
    hero->setSpacing(0);
    auto* heroText = new QVBoxLayout;
    heroText->setSpacing(12);
    auto* brand = new QHBoxLayout;
    brand->setSpacing(6);
    brand->addWidget(new StudioSymbolView(QStringLiteral("viewfinder"), 12, StudioLabelRole::readableAccent, page));
    auto* brandText = new StudioLabel(QStringLiteral("SABLEWICK"), StudioTextStyle::caption,
                                      StudioLabelRole::readableAccent, page);
    QFont brandFont = studioFont(StudioTextStyle::caption);
    brandFont.setWeight(QFont::DemiBold);
    brandFont.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    brandText->setFont(brandFont);
    brand->addWidget(brandText);
    brand->addStretch(1);
    heroText->addLayout(brand);
    auto* headline = new StudioLabel(QStringLiteral("Something worth showing."), StudioTextStyle::title,
                                     StudioLabelRole::primary, page);
    QFont headlineFont = studioFont(34, QFont::DemiBold);
    headlineFont.setLetterSpacing(QFont::AbsoluteSpacing, -1.1);
    headline->setFont(headlineFont);
    heroText->addWidget(headline);
    heroText->addWidget(wrapped(new StudioLabel(QStringLiteral("Record a demo. Capture a detail. Make it yours."),
                                                StudioTextStyle::title3, StudioLabelRole::secondary, page)));
    hero->addLayout(heroText, 1);
    hero->addSpacing(12);
    auto* heroSymbol = new StudioSymbolView(QStringLiteral("record.circle"), 54, StudioLabelRole::readableAccent, page);
    heroSymbol->setAccessibleName(QString());
    hero->addWidget(heroSymbol, 0, Qt::AlignTop);
    content->addLayout(hero);

    // Start cards.
    m_newRecording = new StudioButton(QStringLiteral("New recording"), QStringLiteral("record.circle"),
                                      StudioButtonVariant::primary, StudioControlSize::large, page);
    connect(m_newRecording, &QAbstractButton::clicked, this, &StudioWelcome::record);
    m_takeScreenshot = new StudioButton(QStringLiteral("Take screenshot"), QStringLiteral("camera"),
                                        StudioButtonVariant::secondary, StudioControlSize::large, page);
    connect(m_takeScreenshot, &QAbstractButton::clicked, this, &StudioWelcome::screenshot);
    auto* openFile = new StudioButton(QStringLiteral("Open a file"), QStringLiteral("folder"),
                                      StudioButtonVariant::secondary, StudioControlSize::large, page);
    auto* openMenu = new QMenu(openFile);
    openMenu->addAction(QStringLiteral("Open video…"), this, &StudioWelcome::openVideo);
    openMenu->addAction(QStringLiteral("Open image…"), this, &StudioWelcome::openImage);
    openMenu->addSeparator();
    openMenu->addAction(QStringLiteral("Open project…"), this, &StudioWelcome::openProject);
    connect(openFile, &QAbstractButton::clicked, openMenu,
            [openFile, openMenu] { openMenu->popup(openFile->mapToGlobal(QPoint(0, openFile->height()))); });

    m_cards = new QBoxLayout(QBoxLayout::LeftToRight);
    m_cards->setSpacing(16);
    m_cardWidgets = {
        new Card(QStringLiteral("Record a demo"), QStringLiteral("record.circle"),
                 QStringLiteral("Your screen, with smooth zooms that follow clicks and typing."), m_newRecording, page),
        new Card(QStringLiteral("Capture a detail"), QStringLiteral("camera"),
                 QStringLiteral("A screenshot, framed with your background and annotations."), m_takeScreenshot, page),
        new Card(QStringLiteral("Make it yours"), QStringLiteral("square.and.arrow.down"),
                 QStringLiteral("Bring in a video or image. Fine-tune the frame, focus and sound."), openFile, page),
    };
    for (Card* card : m_cardWidgets)
        m_cards->addWidget(card, 1, Qt::AlignTop);
    content->addLayout(m_cards);

    // Drop hint.
    auto* hint = new QHBoxLayout;
    hint->setSpacing(7);
    hint->addWidget(new StudioSymbolView(QStringLiteral("arrow.down.document"), 13, StudioLabelRole::secondary, page));
    hint->addWidget(wrapped(new StudioLabel(MainWindowText::dropHint, StudioTextStyle::callout,
                                            StudioLabelRole::secondary, page)), 1);
    content->addLayout(hint);
    content->addWidget(new StudioDivider(page));

    // Projects.
    auto* projects = new QVBoxLayout;
    projects->setSpacing(16);
    auto* header = new QHBoxLayout;
    auto* headerTitle = new StudioLabel(QStringLiteral("Pick up where you left off"), StudioTextStyle::title3,
                                        StudioLabelRole::primary, page);
    headerTitle->setTextStyle(StudioTextStyle::title3, QFont::DemiBold);
    header->addWidget(headerTitle);
    header->addStretch(1);
    auto* openProjectButton = new StudioButton(QStringLiteral("Open project…"), QString(),
                                               StudioButtonVariant::tertiary, StudioControlSize::compact, page);
    connect(openProjectButton, &QAbstractButton::clicked, this, &StudioWelcome::openProject);
    header->addWidget(openProjectButton);
    projects->addLayout(header);

    auto* banner = new Surface(16, false, page);
    auto* bannerLayout = new QHBoxLayout(banner);
    bannerLayout->setContentsMargins(18, 18, 18, 18);
    bannerLayout->setSpacing(14);
    bannerLayout->addWidget(new StudioSymbolView(QStringLiteral("clock.arrow.circlepath"), 17,
                                                 StudioLabelRole::readableAccent, banner));
    auto* bannerText = new QVBoxLayout;
    bannerText->setSpacing(4);
    bannerText->addWidget(new StudioLabel(QStringLiteral("Your last edit is ready"), StudioTextStyle::headline,
                                          StudioLabelRole::primary, banner));
    bannerText->addWidget(wrapped(new StudioLabel(QStringLiteral("Restore your local backup and keep going."),
                                                  StudioTextStyle::callout, StudioLabelRole::secondary, banner)));
    bannerLayout->addLayout(bannerText, 1);
    auto* continueButton = new StudioButton(QStringLiteral("Continue editing"), QStringLiteral("arrow.right"),
                                            StudioButtonVariant::secondary, StudioControlSize::regular, banner);
    connect(continueButton, &QAbstractButton::clicked, this, &StudioWelcome::recover);
    bannerLayout->addWidget(continueButton);
    m_recoveryBanner = banner;
    projects->addWidget(banner);

    auto* empty = new QWidget(page);
    auto* emptyLayout = new QHBoxLayout(empty);
    emptyLayout->setContentsMargins(0, 8, 0, 8);
    emptyLayout->setSpacing(6);
    emptyLayout->addWidget(new StudioSymbolView(QStringLiteral("internaldrive"), 13, StudioLabelRole::secondary, empty));
    emptyLayout->addWidget(wrapped(new StudioLabel(MainWindowText::emptyProjects, StudioTextStyle::callout,
                                                   StudioLabelRole::secondary, empty)), 1);
    m_emptyProjects = empty;
    projects->addWidget(empty);

    m_projectRows = new QVBoxLayout;
    m_projectRows->setSpacing(4);
    projects->addLayout(m_projectRows);
    content->addLayout(projects);
    content->addStretch(1);

    // The page stays centred at its greatest width.
    auto* centring = new QWidget;
    auto* centringLayout = new QHBoxLayout(centring);
    centringLayout->setContentsMargins(0, 0, 0, 0);
    centringLayout->addStretch(0);
    centringLayout->addWidget(page, 1);
    centringLayout->addStretch(0);
    scroll->setWidget(centring);
    scroll->viewport()->setAutoFillBackground(false);
    centring->setAutoFillBackground(false);

    rebuildProjects();
}

void StudioWelcome::setRecentProjects(const QList<QUrl>& projects)
{
    if (m_recentProjects == projects)
        return;
    m_recentProjects = projects;
    rebuildProjects();
}

void StudioWelcome::setRecoveryAvailable(bool available)
{
    if (m_recoveryAvailable == available)
        return;
    m_recoveryAvailable = available;
    rebuildProjects();
}

void StudioWelcome::setCaptureBusy(bool busy)
{
    m_newRecording->setEnabled(!busy);
    m_takeScreenshot->setEnabled(!busy);
}

void StudioWelcome::rebuildProjects()
{
    m_recoveryBanner->setVisible(m_recoveryAvailable);
    m_emptyProjects->setVisible(!m_recoveryAvailable && m_recentProjects.isEmpty());
    while (QLayoutItem* item = m_projectRows->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const QUrl& project : m_recentProjects.mid(0, shownRecentProjects)) {
        auto* row = new StudioStyledButton(QString(), StudioButtonVariant::tertiary, StudioControlSize::regular,
                                           StudioButtonLayout::row, this);
        row->setToolTip(project.toLocalFile());
        row->setAccessibleName(ContentPresenter::recentProjectTitle(project));
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(10, 6, 10, 6);
        layout->setSpacing(12);
        layout->addWidget(new StudioSymbolView(QStringLiteral("doc.text"), 15, StudioLabelRole::readableAccent, row));
        auto* names = new QVBoxLayout;
        names->setSpacing(3);
        names->addWidget(new StudioLabel(ContentPresenter::recentProjectTitle(project), StudioTextStyle::body,
                                         StudioLabelRole::primary, row));
        names->addWidget(new StudioLabel(ContentPresenter::recentProjectFolder(project), StudioTextStyle::caption,
                                         StudioLabelRole::secondary, row));
        layout->addLayout(names, 1);
        layout->addWidget(new StudioSymbolView(QStringLiteral("arrow.up.right"), 13, StudioLabelRole::secondary, row));
        row->setMinimumHeight(layout->sizeHint().height());
        for (QWidget* child : row->findChildren<QWidget*>())
            child->setAttribute(Qt::WA_TransparentForMouseEvents);
        connect(row, &QAbstractButton::clicked, this, [this, project] { emit openRecent(project); });
        m_projectRows->addWidget(row);
    }
}

void StudioWelcome::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    applyWidth(event->size().width());
}

void StudioWelcome::applyWidth(int width)
{
    const bool compact = width < compactWidth;
    if (compact == m_compact && m_cards->direction() == (compact ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight))
        return;
    m_compact = compact;
    m_cards->setDirection(compact ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
    m_cards->setSpacing(compact ? 12 : 16);
    for (Card* card : m_cardWidgets)
        card->setCompact(compact);
}

}  // namespace sablewick
