#pragma once

#include "components/StudioChoiceOptions.h"

#include <QStringList>
#include <QWidget>

namespace sablewick {

// A segmented choice over the caller's selection. The options are told apart by position, which
// the binding maps to the caller's own values (see make()). Equal-width segments fill the width.
class StudioSegments final : public QWidget {
    Q_OBJECT

public:
    StudioSegments(const QString& title, StudioBinding<int> selection, QStringList labels,
                   QWidget* parent = nullptr);

    template <class Value, class LabelFn>
    static StudioSegments* make(const QString& title, StudioBinding<Value> selection,
                                std::vector<Value> options, LabelFn label, QWidget* parent = nullptr)
    {
        QStringList labels = studioOptionLabels(options, label);
        return new StudioSegments(title, studioIndexBinding(selection, std::move(options)), std::move(labels), parent);
    }

    int selectedIndex() const;
    const QStringList& labels() const { return m_labels; }
    // The rectangle of one segment, for drawing and for tests.
    QRect segmentRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int segmentAt(const QPoint& pos) const;
    void choose(int index);

    StudioBinding<int> m_selection;
    QStringList m_labels;
    int m_pressed = -1;
};

} // namespace sablewick
