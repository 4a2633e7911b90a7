#pragma once

#include <QObject>
#include <QString>

#include <optional>

namespace sablewick {

// The one message of the main window's banner. Every part of the editor reports its outcomes
// here, and the shell its own. Main thread only.
class EditorNotice final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    const std::optional<QString>& text() const { return m_text; }
    void set(std::optional<QString> text);

signals:
    void changed();

private:
    std::optional<QString> m_text;
};

}  // namespace sablewick
