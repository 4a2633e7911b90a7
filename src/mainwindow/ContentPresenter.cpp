#include "mainwindow/ContentPresenter.h"

#include "components/WindowText.h"
#include "mainwindow/MainWindowText.h"

#include <QFileInfo>

#include <cmath>

namespace sablewick::ContentPresenter {

QString removingExtensions(const QString& fileName, int count)
{
    QString name = fileName;
    for (int i = 0; i < count; ++i) {
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        // A dot that opens the name (a hidden file) or ends it names no extension.
        if (dot <= 0 || dot == name.size() - 1)
            break;
        name.truncate(dot);
    }
    return name;
}

QString windowTitle(const std::optional<QUrl>& movie)
{
    if (!movie)
        return MainWindowText::productName;
    return removingExtensions(movie->fileName(), 1);
}

QString windowSubtitle(bool movieOpen, bool hasUnsavedEdits)
{
    if (!movieOpen)
        return MainWindowText::welcomeSubtitle;
    return WindowText::editSubtitle(hasUnsavedEdits);
}

std::optional<QString> currentNotice(const RecorderState& recorder, const std::optional<QString>& editorNotice)
{
    return recorder.notice ? recorder.notice : editorNotice;
}

bool isCaptureBusy(const RecorderState& recorder, const CaptureState& capture)
{
    return recorder.isBusy() || capture.isCapturing;
}

std::vector<StatusButtonInfo> statusButtons(const RecorderState& recorder, bool hasExportFile, bool privacySettings)
{
    std::vector<StatusButtonInfo> buttons;
    if (recorder.needsScreenPermission && privacySettings)
        buttons.push_back({StatusButton::openSettings, MainWindowText::openSettings});
    if (recorder.needsMicrophonePermission && privacySettings)
        buttons.push_back({StatusButton::microphoneSettings, MainWindowText::microphoneSettings});
    if (recorder.needsRestart)
        buttons.push_back({StatusButton::quit, MainWindowText::quitApplication});
    if (hasExportFile)
        buttons.push_back({StatusButton::showExport, MainWindowText::showExport});
    return buttons;
}

bool inspectorPresented(bool movieOpen, bool inspectorVisible)
{
    return movieOpen && inspectorVisible;
}

InspectorHeader inspectorHeader(InspectorTab tab)
{
    switch (tab) {
    case InspectorTab::canvas:
        return {rawValue(tab), QStringLiteral("rectangle.inset.filled"), QStringLiteral("Shape the frame. Set the mood.")};
    case InspectorTab::focus:
        return {rawValue(tab), QStringLiteral("scope"), QStringLiteral("Bring the important details closer.")};
    case InspectorTab::cursor:
        return {rawValue(tab), QStringLiteral("cursorarrow.motionlines"),
                QStringLiteral("Every movement, beautifully clear.")};
    case InspectorTab::audio:
        return {rawValue(tab), QStringLiteral("waveform"), QStringLiteral("Find the right balance.")};
    }
    return {};
}

QString previewCaption(const QString& aspectLabel, double sourceWidth, double sourceHeight)
{
    // A size that is not a number has no whole part to show.
    const auto whole = [](double v) {
        return std::isfinite(v) ? QString::number(static_cast<long long>(std::trunc(v))) : QStringLiteral("0");
    };
    return aspectLabel + QString::fromUtf8("  ·  ") + whole(sourceWidth) + QString::fromUtf8(" × ") +
           whole(sourceHeight) + QStringLiteral(" source");
}

QString recentProjectTitle(const QUrl& project)
{
    return removingExtensions(project.fileName(), 2);
}

QString recentProjectFolder(const QUrl& project)
{
    return QFileInfo(QFileInfo(project.toLocalFile()).path()).fileName();
}

}  // namespace sablewick::ContentPresenter
