#include "app/SablewickMenuBar.h"

#include "app/StudioSession.h"
#include "components/StudioIcons.h"
#include "editor/EditorModel.h"
#include "recording/Recorder.h"

#include <QApplication>
#include <QMenu>
#include <QPalette>
#include <QSystemTrayIcon>

namespace sablewick {

namespace {

QIcon symbolIcon(const QString& symbol, int size)
{
    if (symbol.isEmpty())
        return {};
    const QPixmap pixmap = studioSymbolPixmap(symbol, size, QApplication::palette().color(QPalette::WindowText));
    return pixmap.isNull() ? QIcon() : QIcon(pixmap);
}

}  // namespace

SablewickMenuBar::SablewickMenuBar(StudioSession& session, std::function<void(MenuBarCommand)> perform,
                                   QObject* parent)
    : QObject(parent)
    , m_session(session)
    , m_perform(std::move(perform))
    , m_menu(std::make_unique<QMenu>())
    , m_icon(std::make_unique<QSystemTrayIcon>())
{
    m_icon->setContextMenu(m_menu.get());
    EditorModel& editor = m_session.editor();
    connect(&editor, &EditorModel::isExportingChanged, this, &SablewickMenuBar::scheduleRebuild);
    connect(&editor, &EditorModel::exportProgressChanged, this, &SablewickMenuBar::scheduleRebuild);
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

MenuBarState SablewickMenuBar::state() const
{
    MenuBarState state;
    state.isExporting = m_session.editor().isExporting();
    state.exportProgress = m_session.editor().exportProgress();
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
    m_icon->setIcon(symbolIcon(menuBarSymbol(now.isRecording), 22));
    m_icon->setToolTip(menuBarAccessibleName(now.isRecording));

    m_menu->clear();
    for (const MenuBarItem& item : menuBarItems(now)) {
        if (item.kind == MenuBarItem::Kind::divider) {
            m_menu->addSeparator();
            continue;
        }
        QAction* action = m_menu->addAction(symbolIcon(item.symbol, 16), item.text);
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
