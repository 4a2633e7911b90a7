#include "app/SablewickMenuBar.h"

#include "app/StudioSession.h"
#include "components/StudioIcons.h"
#include "editor/EditorModel.h"
#include "platform/X11SystemTray.h"
#include "preferences/AppPreferences.h"
#include "preferences/SystemAppearance.h"
#include "recording/Recorder.h"
#include "screenshots/ScreenshotCapture.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QPalette>
#include <QSystemTrayIcon>

namespace sablewick {

namespace {

QIcon symbolIcon(const QString& symbol, int size, const QColor& color)
{
    if (symbol.isEmpty())
        return {};
    const QPixmap pixmap = studioSymbolPixmap(symbol, size, color);
    return pixmap.isNull() ? QIcon() : QIcon(pixmap);
}

}  // namespace

QColor trayIconTint()
{
    if (const std::optional<std::uint32_t> rgb = systemTrayForeground())
        return QColor::fromRgb(QRgb(*rgb));
    // Without the tray's word, its panel is taken to follow the desktop's light or dark, never
    // the appearance that this application gave its own windows.
    SystemAppearance& desktop = *standardSystemAppearance();
    return studioPalette(desktop.colorScheme(), desktop.accentColor()).color(QPalette::WindowText);
}

SablewickMenuBar::SablewickMenuBar(StudioSession& session, std::function<void(MenuBarCommand)> perform,
                                   QObject* parent)
    : QObject(parent)
    , m_session(session)
    , m_perform(std::move(perform))
    , m_menu(std::make_unique<QMenu>())
    , m_icon(std::make_unique<QSystemTrayIcon>())
{
    m_icon->setContextMenu(m_menu.get());
    // A click on the icon opens the same menu: on Linux trays, the primary click is how people
    // reach an icon's menu, and the right click is not offered by every tray.
    connect(m_icon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            m_menu->popup(QCursor::pos());
    });
    EditorModel& editor = m_session.editor();
    m_trayTint = trayIconTint();
    // The desktop switching between light and dark may repaint its panel too.
    connect(&m_session.preferences(), &AppPreferences::systemAppearanceChanged, this, [this] {
        m_trayTint = trayIconTint();
        scheduleRebuild();
    });
    connect(&editor.exporter(), &EditorExport::isExportingChanged, this, &SablewickMenuBar::scheduleRebuild);
    connect(&editor.exporter(), &EditorExport::exportProgressChanged, this, &SablewickMenuBar::scheduleRebuild);
    ScreenshotCapture& capture = m_session.screenshotCapture();
    connect(&capture, &ScreenshotCapture::isCapturingChanged, this, &SablewickMenuBar::scheduleRebuild);
    connect(&capture, &ScreenshotCapture::statusChanged, this, &SablewickMenuBar::scheduleRebuild);
    if (Recorder* recorder = m_session.recorder()) {
        for (auto changed : {&Recorder::isRecordingChanged, &Recorder::isStartingChanged,
                             &Recorder::isFinalizingChanged, &Recorder::finishedURLChanged})
            connect(recorder, changed, this, &SablewickMenuBar::scheduleRebuild);
    }
    rebuild();
}

SablewickMenuBar::~SablewickMenuBar() = default;

bool SablewickMenuBar::isShown() const
{
    return m_icon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void SablewickMenuBar::setShown(bool shown)
{
    const bool before = isShown();
    m_icon->setVisible(shown);
    if (before != isShown())
        emit shownChanged();
}

QIcon SablewickMenuBar::icon() const
{
    return m_icon->icon();
}

MenuBarState SablewickMenuBar::state() const
{
    MenuBarState state;
    state.isExporting = m_session.editor().exporter().isExporting();
    state.exportProgress = m_session.editor().exporter().exportProgress();
    state.isCapturing = m_session.screenshotCapture().isCapturing();
    state.captureStatus = m_session.screenshotCapture().status();
    if (const Recorder* recorder = m_session.recorder()) {
        state.isRecording = recorder->isRecording();
        state.isStartingRecording = recorder->isStarting();
        state.isFinalizingRecording = recorder->isFinalizing();
        state.hasFinishedRecording = recorder->finishedURL().has_value();
    }
    return state;
}

void SablewickMenuBar::scheduleRebuild()
{
    // Later, not now: the change may come from a chosen item, whose action the rebuild deletes,
    // and a burst of progress reports is one rebuild.
    if (m_rebuildPending)
        return;
    m_rebuildPending = true;
    QMetaObject::invokeMethod(this, &SablewickMenuBar::rebuild, Qt::QueuedConnection);
}

void SablewickMenuBar::rebuild()
{
    m_rebuildPending = false;
    const MenuBarState now = state();
    // The menu is one of the application's own, drawn in its palette.
    const QColor menuText = m_menu->palette().color(QPalette::WindowText);
    m_icon->setIcon(symbolIcon(menuBarSymbol(now.isRecording), 22, m_trayTint));
    m_icon->setToolTip(menuBarAccessibleName(now.isRecording));

    m_menu->clear();
    for (const MenuBarItem& item : menuBarItems(now)) {
        if (item.kind == MenuBarItem::Kind::divider) {
            m_menu->addSeparator();
            continue;
        }
        QAction* action = m_menu->addAction(symbolIcon(item.symbol, 16, menuText), item.text);
        // Desktops whose theme leaves icons out of menus would drop the symbols that tell the
        // items apart at a glance.
        action->setIconVisibleInMenu(true);
        if (item.kind != MenuBarItem::Kind::button) {
            // A line to read, not to choose.
            action->setEnabled(false);
            continue;
        }
        action->setEnabled(item.enabled);
        const MenuBarCommand command = item.command;
        connect(action, &QAction::triggered, this, [this, command] {
            if (m_perform)
                m_perform(command);
        });
    }
}

}  // namespace sablewick
