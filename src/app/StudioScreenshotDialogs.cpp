#include "app/StudioScreenshotDialogs.h"

#include "app/SablewickLifecycle.h"

#include <QApplication>
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
    QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(), replacePromptText,
                    QMessageBox::NoButton, dialogParent());
    box.setInformativeText(replacePromptDetail);
    QPushButton* save = box.addButton(saveProjectButton, QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(discardEditsButton, QMessageBox::DestructiveRole);
    box.addButton(cancelButton, QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.exec();
    if (box.clickedButton() == save)
        return ReplaceChoice::save;
    if (box.clickedButton() == discard)
        return ReplaceChoice::discard;
    return ReplaceChoice::cancel;
}

}  // namespace sablewick
