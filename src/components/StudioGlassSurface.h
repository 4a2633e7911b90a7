#pragma once

#include <QWidget>

namespace sablewick {

// A floating surface behind its children (set a layout on it): a rounded rectangle or a circle,
// drawn as material with a hairline, or opaque with a stronger border when transparency is reduced.
// The border lies inside the widget's own rectangle.
class StudioGlassSurface : public QWidget {
    Q_OBJECT

public:
    enum class Shape { roundedRectangle, circle };

    explicit StudioGlassSurface(Shape shape = Shape::roundedRectangle, double cornerRadius = 16.0,
                                QWidget* parent = nullptr);

    Shape shape() const { return m_shape; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Shape m_shape;
    double m_cornerRadius;
};

} // namespace sablewick
