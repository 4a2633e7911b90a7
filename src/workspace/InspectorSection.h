#pragma once

#include "components/StudioBinding.h"

#include <QWidget>

#include <functional>

class QVBoxLayout;

namespace sablewick {

class StudioSliderField;

// One titled section of an inspector page: the title over a grouped panel whose content is one
// column, 14 points between its elements, 3 above and below. Every page of the inspector builds
// its sections with it, so they all read alike. Hidden elements take no room.
class InspectorSection final : public QWidget {
    Q_OBJECT

public:
    explicit InspectorSection(const QString& title, QWidget* parent = nullptr);

    // Appends an element (the section takes it); returns it for the caller to keep.
    template <class W>
    W* add(W* element)
    {
        addElement(element);
        return element;
    }
    QVBoxLayout* column() const { return m_column; }

private:
    void addElement(QWidget* element);

    QVBoxLayout* m_column;
};

// A titled slider row over a setting whose shown value is the caller's text for the value. The
// text follows every movement at once; refresh() shows a value changed elsewhere (an undo),
// except that a thumb being dragged stays under the pointer.
class SettingSlider final : public QWidget {
    Q_OBJECT

public:
    using Format = std::function<QString(double)>;

    SettingSlider(const QString& title, StudioBinding<double> value, double lower, double upper, Format format,
                  QWidget* parent = nullptr);

    void refresh();
    StudioSliderField* field() const { return m_field; }
    QString formattedValue() const;

private:
    StudioBinding<double> m_value;
    Format m_format;
    StudioSliderField* m_field;
};

// The value formatted as "%.0f" of value × multiplier, then the suffix: the usual slider text.
SettingSlider::Format wholeValueFormat(double multiplier, const QString& suffix);

}  // namespace sablewick
