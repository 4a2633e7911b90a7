#pragma once

#include "components/StudioLabel.h"

#include <QWidget>

namespace sablewick {

// One line of text in a kit text style and colour role, cut in the middle when it does not fit,
// so both ends of a file name or a long title stay readable.
class StudioElidedLabel final : public QWidget {
    Q_OBJECT

public:
    StudioElidedLabel(const QString& text, StudioTextStyle style, StudioLabelRole role, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    void setRole(StudioLabelRole role);
    // The text as it is drawn now, with its ellipsis.
    QString shownText() const;
    void setAlignment(Qt::Alignment alignment) { m_alignment = alignment; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    StudioLabelRole m_role;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignVCenter;
};

}  // namespace sablewick
