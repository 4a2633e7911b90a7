#pragma once

#include "components/StudioBinding.h"
#include "document/EditSettings.h"
#include "rendering/ExportOptions.h"

#include <QWidget>

namespace sablewick {

class StudioButton;
class StudioIconButton;
class StudioLabel;
class StudioMenuPicker;
class StudioSegments;
class StudioSlider;

// The dialog in which the user picks the format, resolution and quality of a video export before
// choosing where to save it. The choices live in the caller's ExportOptions; the sheet shows the
// output size, frame rate and estimated file size that the export will really have.
class ExportSheet final : public QWidget {
    Q_OBJECT
public:
    static constexpr int sheetWidth = 480;

    // `duration`: seconds of video to export (the trim range); `settings` give the canvas.
    ExportSheet(StudioBinding<ExportOptions> options, EditSettings settings, double duration,
                QWidget* parent = nullptr);

    void setExporting(bool exporting);
    bool isExporting() const { return m_exporting; }

    // Shows the bound options again after the caller changed them.
    void refresh();

    QSize outputSize() const;

signals:
    void exportRequested();
    void dismissRequested();

private:
    class SummaryMetric;

    StudioBinding<ExportOptions> m_options;
    EditSettings m_settings;
    double m_duration;
    bool m_exporting = false;

    QWidget* m_choices = nullptr;
    QWidget* m_footer = nullptr;
    StudioIconButton* m_close = nullptr;
    StudioSegments* m_format = nullptr;
    StudioLabel* m_formatDescription = nullptr;
    StudioMenuPicker* m_resolution = nullptr;
    StudioLabel* m_sizeLine = nullptr;
    StudioLabel* m_qualityName = nullptr;
    StudioSlider* m_quality = nullptr;
    SummaryMetric* m_durationMetric = nullptr;
    SummaryMetric* m_frameRateMetric = nullptr;
    SummaryMetric* m_estimateMetric = nullptr;
    QWidget* m_gifNote = nullptr;
    StudioButton* m_export = nullptr;
};

}  // namespace sablewick
