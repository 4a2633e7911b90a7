#pragma once

#include <QWidget>

namespace sablewick {

// The editor's three panes: the preview takes the upper left, the timeline sits under it at its
// own height, and the rail is a column exactly 66 px wide at the right edge, full height. The
// work area gives up width before the rail does.
class StudioEditorWorkspace final : public QWidget {
    Q_OBJECT

public:
    StudioEditorWorkspace(QWidget* rail, QWidget* preview, QWidget* timeline, QWidget* parent = nullptr);

    QWidget* rail() const { return m_rail; }
    QWidget* preview() const { return m_preview; }
    QWidget* timeline() const { return m_timeline; }

    static constexpr int railWidth = 66;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* m_rail;
    QWidget* m_preview;
    QWidget* m_timeline;
};

} // namespace sablewick
