#include "app/StudioScreenshotDialogs.h"

#include "app/SablewickLifecycle.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace sablewick {

namespace {

QWidget* dialogParent()
{
    if (SablewickLifecycle::screenshotWindow && SablewickLifecycle::screenshotWindow->isVisible())
        return SablewickLifecycle::screenshotWindow;
    return SablewickLifecycle::editorWindow;
}

}  // namespace

std::optional<QString> StudioScreenshotDialogs::chooseProjectPath(const QString& proposedName, const QString& folder)
{
    const QString start = folder.isEmpty() ? proposedName : QDir(folder).filePath(proposedName);
    const QString path = QFileDialog::getSaveFileName(dialogParent(), QString(), start,
                                                      QStringLiteral("Screenshot projects (*.json)"));
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

ScreenshotDialogs::ReplaceChoice StudioScreenshotDialogs::confirmReplacing()
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Save the current screenshot edit?"), QString(),
                    QMessageBox::NoButton, dialogParent());
    box.setText(box.windowTitle());
    QPushButton* save = box.addButton(QStringLiteral("Save"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QStringLiteral("Discard"), QMessageBox::DestructiveRole);
    box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.exec();
    if (box.clickedButton() == save)
        return ReplaceChoice::save;
    if (box.clickedButton() == discard)
        return ReplaceChoice::discard;
    return ReplaceChoice::cancel;
}

}  // namespace sablewick
