#include "app/MenuBarItem.h"

#include <cmath>

namespace sablewick {
namespace {

MenuBarItem text(const QString& line)
{
    return {MenuBarItem::Kind::text, line, {}, MenuBarCommand::none, true};
}

MenuBarItem button(const QString& title, const QString& symbol, MenuBarCommand command, bool enabled = true)
{
    return {MenuBarItem::Kind::button, title, symbol, command, enabled};
}

MenuBarItem divider()
{
    return {MenuBarItem::Kind::divider, {}, {}, MenuBarCommand::none, true};
}

}  // namespace

QString exportingLine(double progress)
{
    const double percent = std::isfinite(progress) ? std::trunc(progress * 100) : 0;
    return QStringLiteral("Exporting · ") + QString::number(static_cast<long long>(percent)) + QLatin1Char('%');
}

std::vector<MenuBarItem> menuBarItems(const MenuBarState& s)
{
    const bool recorderBusy = s.isRecording || s.isStartingRecording || s.isFinalizingRecording;
    std::vector<MenuBarItem> items;
    items.push_back(text(QStringLiteral("Sablewick")));
    if (s.isRecording) {
        items.push_back({MenuBarItem::Kind::label, QStringLiteral("Recording"), QStringLiteral("record.circle.fill"),
                         MenuBarCommand::none, true});
        items.push_back(button(QStringLiteral("Stop recording"), QStringLiteral("stop.fill"),
                               MenuBarCommand::stopRecording));
    } else if (s.isStartingRecording) {
        items.push_back(text(QStringLiteral("Starting recording…")));
    } else if (s.isFinalizingRecording) {
        items.push_back(text(QStringLiteral("Finishing recording…")));
    } else {
        items.push_back(button(QStringLiteral("New recording…"), QStringLiteral("record.circle"),
                               MenuBarCommand::newRecording, !s.isExporting));
    }
    if (s.isExporting)
        items.push_back(text(exportingLine(s.exportProgress)));
    items.push_back(divider());

    items.push_back(button(QStringLiteral("Take screenshot…"), QStringLiteral("camera"), MenuBarCommand::takeScreenshot,
                           !recorderBusy && !s.isCapturing));
    items.push_back(button(QStringLiteral("Open image…"), QStringLiteral("photo"), MenuBarCommand::openImage));
    items.push_back(button(QStringLiteral("Image editor"), QStringLiteral("photo.on.rectangle"),
                           MenuBarCommand::imageEditor));
    if (s.isCapturing) {
        items.push_back(text(s.captureStatus));
        items.push_back(button(QStringLiteral("Cancel screenshot"), {}, MenuBarCommand::cancelScreenshot));
    }
    items.push_back(divider());

    items.push_back(button(QStringLiteral("Open editor"), QStringLiteral("macwindow"), MenuBarCommand::openEditor));
    if (s.hasFinishedRecording) {
        items.push_back(button(QStringLiteral("Show latest recording in Files"), QStringLiteral("folder"),
                               MenuBarCommand::showLatestRecording));
    }
    items.push_back(button(QStringLiteral("Settings…"), QStringLiteral("gearshape"), MenuBarCommand::settings));
    items.push_back(divider());
    items.push_back(button(QStringLiteral("Quit Sablewick"), {}, MenuBarCommand::quit,
                           !recorderBusy && !s.isExporting && !s.isCapturing));
    return items;
}

QString menuBarSymbol(bool isRecording)
{
    return isRecording ? QStringLiteral("record.circle.fill") : QStringLiteral("viewfinder");
}

QString menuBarAccessibleName(bool isRecording)
{
    return isRecording ? QStringLiteral("Sablewick, recording") : QStringLiteral("Sablewick");
}

}  // namespace sablewick
