#pragma once

#include "components/StudioBinding.h"
#include "screenshots/ScreenshotTool.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

namespace sablewick {

class ScreenshotModel;
class StudioButton;
class StudioLabel;
class StudioMenuPicker;
class StudioSegments;
class StudioSliderField;

// The choices of an image export; the window keeps them, so the sheet offers them again.
struct ImageExportChoices {
    StudioBinding<ScreenshotFormat> format;
    StudioBinding<double> scale;
    StudioBinding<double> quality;
};

// The content of the "Export image" sheet: format, size with the resulting pixel size, JPEG
// quality and a note. It starts nothing itself: its buttons tell `close` whether the export was
// confirmed, and the window runs it once the sheet has gone.
class ImageExportSheet final : public QWidget {
    Q_OBJECT

public:
    static constexpr int sheetWidth = 400;

    ImageExportSheet(const ScreenshotModel& model, ImageExportChoices choices,
                     std::function<void(bool confirmed)> close, QWidget* parent = nullptr);

    void refresh();

    StudioSegments* formatControl() const { return m_format; }
    StudioMenuPicker* sizeControl() const { return m_size; }
    StudioLabel* sizeText() const { return m_sizeText; }
    StudioSliderField* quality() const { return m_quality; }
    StudioLabel* note() const { return m_note; }
    StudioButton* cancelButton() const { return m_cancel; }
    StudioButton* exportButton() const { return m_export; }

private:
    const ScreenshotModel& m_model;
    ImageExportChoices m_choices;
    StudioSegments* m_format = nullptr;
    StudioMenuPicker* m_size = nullptr;
    StudioLabel* m_sizeText = nullptr;
    StudioSliderField* m_quality = nullptr;
    StudioLabel* m_note = nullptr;
    StudioButton* m_cancel = nullptr;
    StudioButton* m_export = nullptr;
};

// The card over the window while an export renders: a busy indicator and a "Cancel" that stops it.
class ImageExportProgress final : public QWidget {
    Q_OBJECT

public:
    explicit ImageExportProgress(ScreenshotModel& model, QWidget* parent = nullptr);

    StudioButton* cancelButton() const { return m_cancel; }

private:
    StudioButton* m_cancel = nullptr;
};

// Where an export goes: asked with the proposed file name; none when the user cancels.
using ExportPathChooser = std::function<std::optional<QString>(const QString& proposedName, ScreenshotFormat format)>;

// The platform's save panel, modal over `parent`.
ExportPathChooser exportSavePanel(QWidget* parent);

// Asks for the file and, given one, starts the model's export with these choices; returns at once.
// The outcome reaches the user through the model's notice.
void exportImage(ScreenshotModel& model, ScreenshotFormat format, double quality, double scale,
                 const ExportPathChooser& choosePath);

}  // namespace sablewick
