#include "components/StudioAccessibility.h"

#include "components/StudioButton.h"
#include "components/StudioColorSwatch.h"
#include "components/StudioIconToggle.h"
#include "components/StudioMenuPicker.h"
#include "components/StudioSegments.h"
#include "components/StudioSlider.h"
#include "components/StudioTile.h"

#include <QLabel>

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

#include <type_traits>

namespace sablewick {

namespace {

// Qt's own slider interface reports the control's integer position (0 to 10000 on a continuous
// slider); this one reports the caller's value, in the caller's words where it gives them.
class SliderAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SliderAccessible(StudioSlider* slider)
        : QAccessibleWidget(slider, QAccessible::Slider)
    {
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Value ? slider()->valueText() : QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return slider()->displayedValue(); }
    void setCurrentValue(const QVariant& value) override { slider()->setValueFromAssistant(value.toDouble()); }
    QVariant maximumValue() const override { return slider()->scale().upper(); }
    QVariant minimumValue() const override { return slider()->scale().lower(); }
    QVariant minimumStepSize() const override { return slider()->scale().step().value_or(0.0); }

private:
    StudioSlider* slider() const { return static_cast<StudioSlider*>(widget()); }
};

// A segmented or menu choice reads as a combo box whose value is the chosen option's text.
template <class Choice>
class ChoiceAccessible final : public QAccessibleWidget {
public:
    explicit ChoiceAccessible(Choice* choice)
        : QAccessibleWidget(choice, QAccessible::ComboBox)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Value)
            return QAccessibleWidget::text(t);
        const auto* choice = static_cast<const Choice*>(widget());
        const int index = choice->selectedIndex();
        return index >= 0 && index < choice->labels().size() ? choice->labels().at(index) : QString();
    }

    // A menu choice still opens from assistive tools, as the button it is drawn as would.
    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if constexpr (std::is_same_v<Choice, StudioMenuPicker>)
            if (widget()->isEnabled())
                names << showMenuAction() << pressAction();
        return names;
    }

    void doAction(const QString& name) override
    {
        if constexpr (std::is_same_v<Choice, StudioMenuPicker>)
            if ((name == showMenuAction() || name == pressAction()) && widget()->isEnabled()) {
                static_cast<StudioMenuPicker*>(widget())->showMenu();
                return;
            }
        QAccessibleWidget::doAction(name);
    }
};

// An icon toggle is a toggle button whose checked state is the caller's flag; Qt's button interface
// would see a plain push button, since the toggle keeps no checked state of its own.
class ToggleAccessible final : public QAccessibleWidget {
public:
    explicit ToggleAccessible(StudioIconToggle* toggle)
        : QAccessibleWidget(toggle, QAccessible::Button)
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = toggle()->isOn();
        return state;
    }

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (widget()->isEnabled())
            names << toggleAction() << pressAction();
        return names;
    }

    void doAction(const QString& name) override
    {
        if ((name == toggleAction() || name == pressAction()) && widget()->isEnabled()) {
            toggle()->click();
            return;
        }
        QAccessibleWidget::doAction(name);
    }

private:
    StudioIconToggle* toggle() const { return static_cast<StudioIconToggle*>(widget()); }
};

// Every kit button reads its title; a loading one also reads "In progress" and is unavailable. It
// refuses clicks without being disabled by its caller, which Qt's button interface cannot know (and
// would still press it). Made for the kit's base class too, since Qt may make a button's interface
// while the base is being built and keeps it.
class ButtonAccessible final : public QAccessibleWidget {
public:
    explicit ButtonAccessible(StudioStyledButton* button)
        : QAccessibleWidget(button, QAccessible::Button)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return loading() ? StudioButton::inProgressText : QString();
        QString text = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && text.isEmpty())
            text = button()->text();
        return text;
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        if (loading()) {
            state.disabled = true;
            state.busy = true;
        }
        state.pressed = button()->isDown();
        return state;
    }

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (acts())
            names << pressAction();
        return names;
    }

    void doAction(const QString& name) override
    {
        if (name == pressAction()) {
            if (acts())
                button()->click();
            return;
        }
        QAccessibleWidget::doAction(name);
    }

private:
    StudioStyledButton* button() const { return static_cast<StudioStyledButton*>(widget()); }
    bool loading() const
    {
        const auto* loadable = qobject_cast<const StudioButton*>(widget());
        return loadable && loadable->isLoading();
    }
    bool acts() const { return button()->isEnabled() && !loading(); }
};

constexpr const char* headingProperty = "studioAccessibleHeading";
constexpr const char* hiddenProperty = "studioAccessibleHidden";

// A swatch or tile is a button that may be the chosen one of its group; its selection is a state
// of its own, which Qt's button interface has no notion of.
template <class Selectable>
class SelectableAccessible final : public QAccessibleWidget {
public:
    explicit SelectableAccessible(Selectable* button)
        : QAccessibleWidget(button, QAccessible::Button)
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.selectable = true;
        state.selected = button()->isSelected();
        state.pressed = button()->isDown();
        return state;
    }

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (widget()->isEnabled())
            names << pressAction();
        return names;
    }

    void doAction(const QString& name) override
    {
        if (name == pressAction() && widget()->isEnabled()) {
            button()->click();
            return;
        }
        QAccessibleWidget::doAction(name);
    }

private:
    Selectable* button() const { return static_cast<Selectable*>(widget()); }
};

class HeadingAccessible final : public QAccessibleWidget {
public:
    explicit HeadingAccessible(QLabel* label)
        : QAccessibleWidget(label, QAccessible::Heading)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        QString text = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && text.isEmpty())
            text = static_cast<const QLabel*>(widget())->text();
        return text;
    }
};

class HiddenAccessible final : public QAccessibleWidget {
public:
    explicit HiddenAccessible(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::NoRole)
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.invisible = true;
        return state;
    }
    QString text(QAccessible::Text) const override { return {}; }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
};

QAccessibleInterface* kitAccessibleFactory(const QString& className, QObject* object)
{
    // Marks set on single widgets win over what their class would read as.
    if (object && object->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(object);
        if (widget->property(hiddenProperty).toBool())
            return new HiddenAccessible(widget);
        if (auto* label = qobject_cast<QLabel*>(widget); label && label->property(headingProperty).toBool())
            return new HeadingAccessible(label);
    }
    if (className == QLatin1String(StudioColorSwatch::staticMetaObject.className()))
        return new SelectableAccessible<StudioColorSwatch>(static_cast<StudioColorSwatch*>(object));
    if (className == QLatin1String(StudioTileButton::staticMetaObject.className()))
        return new SelectableAccessible<StudioTileButton>(static_cast<StudioTileButton*>(object));
    // Asked for the object's own class first, so these take precedence over Qt's slider and button.
    if (className == QLatin1String(StudioSlider::staticMetaObject.className()))
        return new SliderAccessible(static_cast<StudioSlider*>(object));
    if (className == QLatin1String(StudioSegments::staticMetaObject.className()))
        return new ChoiceAccessible<StudioSegments>(static_cast<StudioSegments*>(object));
    if (className == QLatin1String(StudioMenuPicker::staticMetaObject.className()))
        return new ChoiceAccessible<StudioMenuPicker>(static_cast<StudioMenuPicker*>(object));
    if (className == QLatin1String(StudioIconToggle::staticMetaObject.className()))
        return new ToggleAccessible(static_cast<StudioIconToggle*>(object));
    for (const QMetaObject* button : {&StudioStyledButton::staticMetaObject, &StudioButton::staticMetaObject,
                                      &StudioIconButton::staticMetaObject})
        if (className == QLatin1String(button->className()))
            return new ButtonAccessible(static_cast<StudioStyledButton*>(object));
    return nullptr;
}

} // namespace

void ensureStudioAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(kitAccessibleFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

void markAsAccessibleHeading(QWidget* label)
{
    ensureStudioAccessibility();
    label->setProperty(headingProperty, true);
}

void hideFromAssistiveTools(QWidget* widget)
{
    ensureStudioAccessibility();
    widget->setProperty(hiddenProperty, true);
}

} // namespace sablewick
