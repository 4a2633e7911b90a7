#pragma once

#include <QWidget>

#include <functional>

namespace sablewick {

class StudioIconButton;
class StudioLabel;
class StudioTileButton;

// One track of the music list: a wide tile that names the track and marks the chosen one, and a
// round button that auditions it. The caller says whether the track is chosen and whether it is
// playing, and owns both actions.
class StudioMusicRow final : public QWidget {
    Q_OBJECT

public:
    StudioMusicRow(const QString& title, const QString& detail, bool selected, bool playing,
                   std::function<void()> select, std::function<void()> audition,
                   QWidget* parent = nullptr);

    void setSelected(bool selected);
    void setPlaying(bool playing);
    bool isSelected() const { return m_selected; }
    bool isPlaying() const { return m_playing; }

    StudioTileButton* tile() const { return m_tile; }
    StudioIconButton* auditionButton() const { return m_audition; }

    static constexpr int minimumTileHeight = 64;
    static inline const QString auditionHelp = QStringLiteral("Preview for eight seconds");

private:
    void refresh();

    QString m_title;
    bool m_selected;
    bool m_playing;
    StudioTileButton* m_tile;
    QWidget* m_check;
    StudioIconButton* m_audition;
};

} // namespace sablewick
