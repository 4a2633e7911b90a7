#pragma once

#include <QPointer>
#include <QWidget>

class QFormLayout;
class QScrollArea;
class QVBoxLayout;

namespace sablewick {

class StudioLabel;

// The frame of an inspector panel: a header with a symbol, title and a short explanation that may
// wrap, over a scrolling grouped form that takes the rest of the height. The header is the bar
// material, or opaque when transparency is reduced.
class StudioInspector final : public QWidget {
    Q_OBJECT

public:
    StudioInspector(const QString& title, const QString& symbol, const QString& subtitle,
                    QWidget* parent = nullptr);

    // Updates the header in place (the page changed).
    void setHeader(const QString& title, const QString& symbol, const QString& subtitle);
    // Replaces the form's content; the previous content is deleted.
    void setContent(QWidget* content);
    QWidget* content() const;
    QWidget* header() const;
    QScrollArea* form() const { return m_scroll; }

    // The width the panel takes where its window has room; between its column's least and
    // greatest width. Without one it asks for what its content asks for.
    void setIdealWidth(int width);
    QSize sizeHint() const override;

private:
    class Header;
    Header* m_header;
    QScrollArea* m_scroll;
    QPointer<QWidget> m_content;
    int m_idealWidth = 0;
};

// One group of a grouped form: an optional caption over a rounded panel whose rows are separated
// by hairlines.
class StudioFormSection final : public QWidget {
    Q_OBJECT

public:
    explicit StudioFormSection(const QString& caption = QString(), QWidget* parent = nullptr);

    // A row with a leading label and a trailing control.
    void addRow(const QString& label, QWidget* control);
    // A row that is the widget alone, across the whole width.
    void addRow(QWidget* widget);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* m_rows;
    QWidget* m_panel;
};

} // namespace sablewick
