#include "workspace/CanvasInspector.h"

#include "components/StudioButton.h"
#include "components/StudioLabel.h"
#include "components/StudioMenuPicker.h"
#include "components/StudioTextField.h"
#include "document/CanvasStyle.h"
#include "mainwindow/StudioDialogs.h"
#include "workspace/CanvasChoices.h"
#include "workspace/InspectorSection.h"
#include "workspace/SettingsBinding.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

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
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(14);
    auto* format = new InspectorSection(QStringLiteral("Format"), this);
    buildFormat(format);
    column->addWidget(format);
    refresh();
}

CanvasInspector::~CanvasInspector() = default;

void CanvasInspector::refresh()
{
    const EditSettings settings = m_settings.get();
    refreshFormat(settings);
}

void CanvasInspector::buildFormat(InspectorSection* section)
{
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

}  // namespace sablewick
