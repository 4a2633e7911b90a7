#pragma once

#include "components/StudioTokens.h"

#include <QLabel>

namespace sablewick {

// Which of the theme's text colours a label takes; resolved each time it paints, so labels follow
// light, dark and accent changes at once.
enum class StudioLabelRole { primary, secondary, tertiary, accent, readableAccent };

// The colour a label of `role` is drawn in on `widget` now: the theme's, halved when disabled.
QColor studioLabelColor(const QWidget* widget, StudioLabelRole role);

// A plain text label in one of the text styles. Layout and wrapping are QLabel's; only the colour
// comes from the theme.
class StudioLabel final : public QLabel {
    Q_OBJECT

public:
    StudioLabel(const QString& text, StudioTextStyle style, StudioLabelRole role = StudioLabelRole::primary,
                QWidget* parent = nullptr);

    void setRole(StudioLabelRole role);
    StudioLabelRole role() const { return m_role; }
    void setTextStyle(StudioTextStyle style, QFont::Weight weight);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    StudioLabelRole m_role;
};

// A symbol in one of the same theme colours, redrawn with light, dark and accent changes; dimmed
// like a label when disabled. It takes no clicks, so it can sit inside buttons and tiles.
class StudioSymbolView final : public QWidget {
    Q_OBJECT

public:
    StudioSymbolView(const QString& symbol, int pixelSize, StudioLabelRole role, QWidget* parent = nullptr);

    QString symbol() const { return m_symbol; }
    void setSymbol(const QString& symbol);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    int m_pixelSize;
    StudioLabelRole m_role;
};

// A one-pixel horizontal rule in the separator colour.
class StudioDivider final : public QWidget {
    Q_OBJECT

public:
    explicit StudioDivider(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace sablewick
