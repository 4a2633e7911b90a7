// Exports a project file through the application's own export pipeline and prints the progress and
// the wall time. Used by compare.sh to measure the export side by side with FFmpeg's command line.
//
//   sablewick_export_project PROJECT.sablewick.json DESTINATION [mp4|mov|gif] [720|1080|1440|2160] [0|1|2]
//   sablewick_export_project --make-project MOVIE PROJECT.sablewick.json [rest|zoom-ramp]
//       writes a project of MOVIE with the default canvas and no focus points, or with one of the
//       composition benchmark's edits (bench/BenchmarkEdit.h)
#include "BenchmarkEdit.h"
#include "document/Project.h"
#include "media/MediaProbe.h"
#include "platform/NumericLocale.h"
#include "rendering/ExportJob.h"
#include "rendering/Exporter.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

using namespace sablewick;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    useCNumericLocale();
    if ((argc == 4 || argc == 5) && std::string(argv[1]) == "--make-project") {
        benchmark_edit::Kind edit{};
        if (argc == 5 && !benchmark_edit::fromName(argv[4], edit)) {
            std::fprintf(stderr, "unknown edit %s (rest or zoom-ramp)\n", argv[4]);
            return 2;
        }
        try {
            FocusProject project;
            project.movieURL = QUrl::fromLocalFile(QString::fromLocal8Bit(argv[2]));
            const MediaInfo info = probeMedia(argv[2]);
            project.settings.trimEnd = info.duration;
            project.settings.sourceAspectWidth = info.video().width;
            project.settings.sourceAspectHeight = info.video().height;
            if (argc == 5) {
                EditSettings settings = benchmark_edit::settings();
                settings.trimEnd = project.settings.trimEnd;
                settings.sourceAspectWidth = project.settings.sourceAspectWidth;
                settings.sourceAspectHeight = project.settings.sourceAspectHeight;
                project.settings = settings;
                project.events = benchmark_edit::focusPoints(edit);
                project.pointerSamples = benchmark_edit::pointerTrack(info.duration);
                project.editablePointer = true;
            }
            ProjectFile::writeProject(QString::fromLocal8Bit(argv[3]), project);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "cannot make the project: %s\n", e.what());
            return 1;
        }
        return 0;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PROJECT DESTINATION [mp4|mov|gif] [720|1080|1440|2160] [0|1|2]\n", argv[0]);
        return 2;
    }
    ExportOptions options;
    if (argc > 3) {
        const QString format = QString::fromLocal8Bit(argv[3]).toUpper();
        bool known = false;
        for (ExportFormat f : EnumCases<ExportFormat>::cases) {
            if (QString::fromLatin1(storedValue(f).data(), static_cast<int>(storedValue(f).size())) == format) {
                options.format = f;
                known = true;
            }
        }
        if (!known) {
            std::fprintf(stderr, "unknown format %s\n", argv[3]);
            return 2;
        }
    }
    if (argc > 4) {
        const auto resolution = exportResolutionFromStoredValue(std::atoll(argv[4]));
        if (!resolution) {
            std::fprintf(stderr, "unknown resolution %s\n", argv[4]);
            return 2;
        }
        options.resolution = *resolution;
    }
    if (argc > 5)
        options.quality = std::atoi(argv[5]);

    try {
        const FocusProject project = ProjectFile::readProject(QString::fromLocal8Bit(argv[1]));
        ExportJob job;
        int lastPercent = -1;
        const auto started = std::chrono::steady_clock::now();
        const QSizeF sourceSize(project.settings.effectiveSourceAspectWidth(),
                                project.settings.effectiveSourceAspectHeight());
        Exporter::export_(Scene::ofProject(project, sourceSize), QString::fromLocal8Bit(argv[2]), options, job, [&](double value) {
            const int percent = static_cast<int>(value * 100);
            if (percent / 10 != lastPercent / 10) {
                std::fprintf(stderr, "progress %d%%\n", percent);
                lastPercent = percent;
            }
        });
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::printf("%.3f\n", seconds);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "export failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
