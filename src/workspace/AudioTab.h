#pragma once

#include "document/MusicChoice.h"

#include <QUrl>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;

namespace sablewick {

class ContentState;
class SettingSlider;
class EditorDocument;
class EditorPlayback;
class StudioButton;
class StudioLabel;
class StudioMusicRow;
class StudioSegments;
class StudioSwitch;

// The Audio page: the recording's own volume, the sounds that follow clicks and typing, and the
// music bed (a library track or the user's own file) with its volume. Every control writes the
// edit's settings through the model and updates in place when they change. Sound files are read
// by the model on its workers, so choosing a long track never holds up the window.
class AudioTab final : public QWidget {
    Q_OBJECT

public:
    // Asks the user for an audio file; none when they cancel.
    using FileChooser = std::function<std::optional<QUrl>(QWidget* parent)>;

    AudioTab(EditorDocument& document, EditorPlayback& playback, ContentState& state,
             FileChooser chooseFile = askForAudioFile, QWidget* parent = nullptr);

    // The open panel for audio files.
    static std::optional<QUrl> askForAudioFile(QWidget* parent);

    void refresh();

    const std::vector<StudioMusicRow*>& libraryRows() const { return m_rows; }
    StudioButton* importButton() const { return m_import; }
    QPushButton* importedFileButton() const { return m_importedFile; }

private:
    void chooseMusicFile();
    void setMusic(MusicChoice choice);

    EditorDocument& m_document;
    EditorPlayback& m_playback;
    ContentState& m_state;
    FileChooser m_chooseFile;
    SettingSlider* m_sourceVolume;
    StudioSwitch* m_interaction;
    StudioLabel* m_interactionNote;
    QWidget* m_interactionDetails;
    StudioSegments* m_style;
    StudioLabel* m_styleNote;
    std::vector<StudioSwitch*> m_soundSwitches;
    SettingSlider* m_interactionVolume;
    QWidget* m_preparing;
    QWidget* m_failure;
    QLabel* m_failureText;
    StudioLabel* m_trackTitle;
    StudioLabel* m_trackDetail;
    StudioButton* m_remove;
    StudioButton* m_disclosure;
    QWidget* m_library;
    std::vector<StudioMusicRow*> m_rows;
    StudioButton* m_import;
    QPushButton* m_importedFile;
    QWidget* m_musicVolumeArea;
    SettingSlider* m_musicVolume;
};

}  // namespace sablewick
