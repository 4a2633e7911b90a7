#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>
#include <vector>

class QWidget;

namespace sablewick {

// One entry of a file panel's type list: "MPEG-4 movie" with its name patterns.
struct FileTypeFilter {
    QString name;
    QStringList patterns;  // "*.mp4"; "*" for any file
    bool operator==(const FileTypeFilter&) const = default;
};

struct OpenPanelRequest {
    QString title;
    std::vector<FileTypeFilter> types;
};

struct SavePanelRequest {
    QString title;
    std::vector<FileTypeFilter> types;
    QString proposedName;
    QString defaultSuffix;  // added when the user types a name without it
};

// A question with its buttons in the order given; the first is the default.
struct AlertRequest {
    QString message;
    QString informativeText;
    QStringList buttons;
    int cancelButton = -1;  // the button Escape chooses
};

// The main window's modal dialogs, behind one interface so that tests script the user's answers.
// Each call returns once the user has answered; the window stays drawn meanwhile.
class StudioDialogs {
public:
    virtual ~StudioDialogs() = default;
    // The chosen file, none when cancelled.
    virtual std::optional<QUrl> runOpenPanel(const OpenPanelRequest& request) = 0;
    virtual std::optional<QUrl> runSavePanel(const SavePanelRequest& request) = 0;
    // The index of the chosen button; none when the alert was dismissed without one.
    virtual std::optional<int> runAlert(const AlertRequest& request) = 0;
};

// The desktop's own file dialogs and message boxes, modal over `parent`.
class QtStudioDialogs final : public StudioDialogs {
public:
    explicit QtStudioDialogs(QWidget* parent);
    std::optional<QUrl> runOpenPanel(const OpenPanelRequest& request) override;
    std::optional<QUrl> runSavePanel(const SavePanelRequest& request) override;
    std::optional<int> runAlert(const AlertRequest& request) override;

private:
    QWidget* m_parent;
};

// The name filter line of one type: "MPEG-4 movie (*.mp4 *.m4v)".
QString nameFilter(const FileTypeFilter& type);

}  // namespace sablewick
