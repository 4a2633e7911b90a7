#include "components/StudioDialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace sablewick {

namespace {

QStringList nameFilters(const std::vector<FileTypeFilter>& types)
{
    QStringList filters;
    for (const FileTypeFilter& type : types)
        filters.append(nameFilter(type));
    return filters;
}

// Modal dialogs live on the heap: a window closed while one is up deletes it with its parent.
std::optional<QUrl> runFileDialog(QFileDialog* dialog)
{
    QPointer<QFileDialog> guard(dialog);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    if (!guard)
        return std::nullopt;
    const QList<QUrl> urls = dialog->selectedUrls();
    delete dialog;
    if (!accepted || urls.isEmpty())
        return std::nullopt;
    return urls.first();
}

}  // namespace

QString nameFilter(const FileTypeFilter& type)
{
    return type.name + QStringLiteral(" (") + type.patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

QtStudioDialogs::QtStudioDialogs(QWidget* parent) : m_parent(parent) {}

std::optional<QUrl> QtStudioDialogs::runOpenPanel(const OpenPanelRequest& request)
{
    auto* dialog = new QFileDialog(m_parent, request.title);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilters(nameFilters(request.types));
    return runFileDialog(dialog);
}

std::optional<QUrl> QtStudioDialogs::runSavePanel(const SavePanelRequest& request)
{
    auto* dialog = new QFileDialog(m_parent, request.title);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters(nameFilters(request.types));
    dialog->setDefaultSuffix(request.defaultSuffix);
    dialog->selectFile(request.proposedName);
    return runFileDialog(dialog);
}

std::optional<int> QtStudioDialogs::runAlert(const AlertRequest& request)
{
    auto* box = new QMessageBox(m_parent);
    box->setIcon(QMessageBox::Question);
    box->setText(request.message);
    box->setInformativeText(request.informativeText);
    std::vector<QPushButton*> buttons;
    // One role for every button keeps them in the order given whatever the desktop's layout.
    for (const QString& title : request.buttons)
        buttons.push_back(box->addButton(title, QMessageBox::ActionRole));
    if (!buttons.empty())
        box->setDefaultButton(buttons.front());
    if (request.cancelButton >= 0 && request.cancelButton < static_cast<int>(buttons.size()))
        box->setEscapeButton(buttons[static_cast<std::size_t>(request.cancelButton)]);
    QPointer<QMessageBox> guard(box);
    box->exec();
    if (!guard)
        return std::nullopt;
    QAbstractButton* clicked = box->clickedButton();
    const auto found = std::find(buttons.begin(), buttons.end(), clicked);
    delete box;
    if (found == buttons.end())
        return std::nullopt;
    return static_cast<int>(found - buttons.begin());
}

}  // namespace sablewick
