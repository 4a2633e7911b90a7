#pragma once

#include "components/StudioChoiceOptions.h"

#include <QAbstractButton>
#include <QMenu>
#include <QPointer>
#include <QStringList>

namespace sablewick {

// A pop-up menu choice over the caller's selection: a bordered button showing the chosen option's
// text and a chevron; a click opens the list with the chosen one checked.
class StudioMenuPicker final : public QAbstractButton {
    Q_OBJECT

public:
    StudioMenuPicker(const QString& title, StudioBinding<int> selection, QStringList labels,
                     QWidget* parent = nullptr);

    template <class Value, class LabelFn>
    static StudioMenuPicker* make(const QString& title, StudioBinding<Value> selection,
                                  std::vector<Value> options, LabelFn label, QWidget* parent = nullptr)
    {
        QStringList labels = studioOptionLabels(options, label);
        return new StudioMenuPicker(title, studioIndexBinding(selection, std::move(options)), std::move(labels), parent);
    }

    int selectedIndex() const;
    const QStringList& labels() const { return m_labels; }
    // The menu while it is open, else null.
    QMenu* openMenu() const { return m_menu; }
    void showMenu();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    StudioBinding<int> m_selection;
    QStringList m_labels;
    QPointer<QMenu> m_menu;
};

} // namespace sablewick
