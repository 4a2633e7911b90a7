#pragma once

#include "components/StudioTokens.h"

#include <QAbstractButton>
#include <QString>

class QTimer;

namespace sablewick {

// The kit's button style on a platform button: drawn from the variant, size and layout tokens.
// Windows use it directly for their own text buttons; StudioButton and StudioIconButton are the
// ready-made forms. The button keeps no state beyond what it is told to show.
class StudioStyledButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit StudioStyledButton(QWidget* parent = nullptr);
    StudioStyledButton(const QString& title, StudioButtonVariant variant, StudioControlSize size,
                       StudioButtonLayout layout, QWidget* parent = nullptr);

    StudioButtonVariant variant() const { return m_variant; }
    void setVariant(StudioButtonVariant variant);
    StudioControlSize controlSize() const { return m_size; }
    void setControlSize(StudioControlSize size);
    StudioButtonLayout buttonLayout() const { return m_layout; }
    void setButtonLayout(StudioButtonLayout layout);
    // A button declared destructive by its caller is drawn red and prominent whatever its variant.
    bool destructiveRole() const { return m_destructiveRole; }
    void setDestructiveRole(bool destructive);
    // The symbol shown beside (or, for icons, instead of) the title; empty for none.
    QString systemImage() const { return m_systemImage; }
    void setSystemImage(const QString& symbol);

    ButtonAppearance appearance() const;
    PlatformControlSize platformControlSize() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

    // Whether the button reacts now; a loading button is shown but refuses clicks.
    virtual bool isInteractive() const { return isEnabled(); }
    // What the plate holds: by default the symbol and title.
    virtual void paintContent(QPainter& painter, const QRectF& contentRect, const QColor& ink);
    virtual bool showsSymbol() const { return !m_systemImage.isEmpty(); }
    virtual int contentWidth() const;
    bool hitButton(const QPoint& pos) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void updateSizing();

    QFont labelFont() const;
    int symbolPixelSize() const;

private:
    StudioButtonVariant m_variant = StudioButtonVariant::secondary;
    StudioControlSize m_size = StudioControlSize::regular;
    StudioButtonLayout m_layout = StudioButtonLayout::label;
    bool m_destructiveRole = false;
    QString m_systemImage;
};

// A text button with an optional symbol. `fillsWidth` stretches it over the width it is given;
// `isLoading` shows a spinner beside the title, hides the symbol and refuses clicks until cleared.
class StudioButton final : public StudioStyledButton {
    Q_OBJECT

public:
    StudioButton(const QString& title, const QString& systemImage, StudioButtonVariant variant,
                 StudioControlSize size, QWidget* parent = nullptr);
    explicit StudioButton(const QString& title, QWidget* parent = nullptr);

    bool fillsWidth() const { return m_fillsWidth; }
    void setFillsWidth(bool fills);
    bool isLoading() const { return m_loading; }
    void setLoading(bool loading);

    static inline const QString inProgressText = QStringLiteral("In progress");

protected:
    bool isInteractive() const override { return isEnabled() && !m_loading; }
    void paintContent(QPainter& painter, const QRectF& contentRect, const QColor& ink) override;
    bool showsSymbol() const override { return !m_loading && StudioStyledButton::showsSymbol(); }
    int contentWidth() const override;

private:
    bool m_fillsWidth = false;
    bool m_loading = false;
    int m_spinnerPhase = 0;
    QTimer* m_spinnerTimer = nullptr;
};

// A symbol-only round button; its title is the tooltip and the accessible name, never shown.
class StudioIconButton final : public StudioStyledButton {
    Q_OBJECT

public:
    StudioIconButton(const QString& title, const QString& systemImage, StudioButtonVariant variant,
                     StudioControlSize size, QWidget* parent = nullptr);

    // Changes title and symbol in place (as a play button that becomes a stop button).
    void setTitleAndSymbol(const QString& title, const QString& systemImage);
};

} // namespace sablewick
