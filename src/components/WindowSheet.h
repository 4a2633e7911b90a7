#pragma once

#include <QDialog>

namespace sablewick {

// A sheet over a window: modal to that window only, gone when closed. One that must not be
// dismissed (a progress card) ignores Escape and the close button; its owner closes it from code.
class WindowSheet final : public QDialog {
    Q_OBJECT

public:
    WindowSheet(QWidget* parent, bool dismissable);

    void reject() override;
    void closeFromCode();

    // Shows `content` as a sheet over `window`, sized to the content.
    static WindowSheet* present(QWidget* window, QWidget* content, bool dismissable);

private:
    bool m_dismissable;
};

}  // namespace sablewick
