#include "editor/EditorServices.h"

#include "rendering/ExportJob.h"
#include "rendering/Exporter.h"
#include "rendering/ExporterError.h"

#include <system_error>

namespace sablewick {

ExportRunner standardExportRunner()
{
    return [](const ExportRequest& request, const std::function<void(double)>& progress) -> ExportOutcome {
        using Status = ExportOutcome::Status;
        try {
            Exporter::export_(request.scene, request.destination, request.options, *request.job, progress);
            return {Status::finished, {}};
        } catch (const ExporterFailure& e) {
            if (e.error() == ExporterError::cancelled)
                return {Status::cancelled, {}};
            return {Status::failed, e.description()};
        } catch (const SoundtrackFailure& e) {
            return {Status::failed, errorDescription(e.error())};
        } catch (const std::system_error& e) {
            return {Status::failed, QString::fromStdString(e.code().message())};
        } catch (const std::exception&) {
            return {Status::failed, errorDescription(ExporterError::writeFailed)};
        }
    };
}

}  // namespace sablewick
