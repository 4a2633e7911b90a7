#pragma once

#include "mainwindow/ContentPresenter.h"

#include <QWidget>

class QHBoxLayout;

namespace sablewick {

class StudioLabel;

// The one-line banner under the content that shows the current notice, with the buttons its
// flags call for. It shows; the window acts on the buttons.
class StatusBanner final : public QWidget {
    Q_OBJECT
public:
    explicit StatusBanner(QWidget* parent = nullptr);

    void show(const QString& notice, const std::vector<ContentPresenter::StatusButtonInfo>& buttons);
    QString notice() const;

signals:
    void buttonClicked(ContentPresenter::StatusButton button);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    StudioLabel* m_text;
    QHBoxLayout* m_buttons;
    std::vector<ContentPresenter::StatusButton> m_shown;
};

}  // namespace sablewick
