#include "components/WindowSheet.h"

#include <QVBoxLayout>

namespace sablewick {

WindowSheet::WindowSheet(QWidget* parent, bool dismissable) : QDialog(parent), m_dismissable(dismissable)
{
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
}

void WindowSheet::reject()
{
    if (m_dismissable)
        QDialog::reject();
}

void WindowSheet::closeFromCode()
{
    QDialog::reject();
}

WindowSheet* WindowSheet::present(QWidget* window, QWidget* content, bool dismissable)
{
    auto* sheet = new WindowSheet(window, dismissable);
    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    content->setParent(sheet);
    layout->addWidget(content);
    if (window)
        sheet->setWindowTitle(window->windowTitle());
    sheet->open();
    return sheet;
}

}  // namespace sablewick
