#pragma once

#include <QWidget>

class QProgressBar;

namespace sablewick {

class StudioButton;
class StudioLabel;

// What the window shows while an export runs: the title, the bar, the phase and percentage, and
// the cancel button. It cannot be closed by the user; the window removes it when the export ends.
class ExportProgressPanel final : public QWidget {
    Q_OBJECT
public:
    static constexpr int panelWidth = 390;

    explicit ExportProgressPanel(QWidget* parent = nullptr);

    void setProgress(double progress, bool cancelling);

    QString title() const;
    QString phase() const;
    QString percentText() const;
    StudioButton* cancelButton() const { return m_cancel; }

signals:
    void cancelRequested();

private:
    StudioLabel* m_title;
    QProgressBar* m_bar;
    StudioLabel* m_phase;
    StudioLabel* m_percent;
    StudioButton* m_cancel;
};

}  // namespace sablewick
