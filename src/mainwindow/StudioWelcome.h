#pragma once

#include <QList>
#include <QUrl>
#include <QWidget>

class QBoxLayout;
class QVBoxLayout;

namespace sablewick {

class StudioButton;

// The start screen while nothing is open: the three ways to begin, the recovery copy of the last
// edit and the recent projects. It holds no state and does no work: it shows what it is given and
// reports each click as one signal. Below 900 px of width the cards stack.
class StudioWelcome final : public QWidget {
    Q_OBJECT
public:
    static constexpr int compactWidth = 900;
    static constexpr int shownRecentProjects = 4;

    explicit StudioWelcome(QWidget* parent = nullptr);

    void setRecentProjects(const QList<QUrl>& projects);
    void setRecoveryAvailable(bool available);
    void setCaptureBusy(bool busy);
    bool isCompact() const { return m_compact; }

signals:
    void record();
    void screenshot();
    void openVideo();
    void openImage();
    void openProject();
    void recover();
    void openRecent(const QUrl& project);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    class Card;
    void applyWidth(int width);
    void rebuildProjects();

    bool m_compact = false;
    bool m_recoveryAvailable = false;
    QList<QUrl> m_recentProjects;
    QBoxLayout* m_cards = nullptr;
    std::vector<Card*> m_cardWidgets;
    StudioButton* m_newRecording = nullptr;
    StudioButton* m_takeScreenshot = nullptr;
    QWidget* m_recoveryBanner = nullptr;
    QWidget* m_emptyProjects = nullptr;
    QVBoxLayout* m_projectRows = nullptr;
};

}  // namespace sablewick
