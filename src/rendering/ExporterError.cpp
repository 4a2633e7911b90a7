#include "rendering/ExporterError.h"

namespace sablewick {

QString errorDescription(ExporterError error)
{
    switch (error) {
    case ExporterError::noVideo:
        return QStringLiteral("This file has no video track.");
    case ExporterError::readerUnavailable:
        return QStringLiteral("Could not read the source video.");
    case ExporterError::encoderUnavailable:
        return QStringLiteral("This computer cannot encode the selected format.");
    case ExporterError::writeFailed:
        return QStringLiteral("Could not finish the export.");
    case ExporterError::musicUnavailable:
        return QStringLiteral("The selected music file is missing or unreadable. Choose it again.");
    case ExporterError::cancelled:
        return QStringLiteral("Export cancelled.");
    case ExporterError::sourceOverwrite:
        return QStringLiteral(
            "Choose a different filename. An export cannot replace its source recording.");
    }
    return {};
}

ExporterFailure::ExporterFailure(ExporterError error)
    : std::runtime_error(errorDescription(error).toStdString()), m_error(error)
{
}

}  // namespace sablewick
