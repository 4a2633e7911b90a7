#include "workspace/AudioTab.h"

#include "components/StudioButton.h"
#include "components/StudioIcons.h"
#include "components/StudioLabel.h"
#include "components/StudioMusicRow.h"
#include "components/StudioPaint.h"
#include "components/StudioSegments.h"
#include "components/StudioSlider.h"
#include "components/StudioSwitch.h"
#include "editor/EditorDocument.h"
#include "editor/EditorPlayback.h"
#include "workspace/ContentState.h"
#include "workspace/InspectorBindings.h"
#include "workspace/InspectorParts.h"
#include "workspace/InspectorSection.h"
#include "workspace/InspectorText.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace sablewick {

using namespace InspectorBindings;

namespace {

// A volume as its slider shows it (the default while absent, held within 0...1); a move stores
// exactly what the slider gives.
StudioBinding<double> volume(EditorDocument& document, std::optional<double> EditSettings::*field, double absent)
{
    StudioBinding<double> stored = optionalSetting(document, field, absent);
    return {[&document, field, absent] { return InspectorText::shownVolume(document.settings().*field, absent); },
            stored.set};
}

QString styleTitle(InteractionSoundStyle style)
{
    return style == InteractionSoundStyle::tactile ? QStringLiteral("Tactile") : QStringLiteral("Musical");
}

QWidget* column(QVBoxLayout** layout, int spacing)
{
    auto* widget = new QWidget;
    *layout = new QVBoxLayout(widget);
    (*layout)->setContentsMargins(0, 0, 0, 0);
    (*layout)->setSpacing(spacing);
    return widget;
}

}  // namespace

AudioTab::AudioTab(EditorDocument& document, EditorPlayback& playback, ContentState& state, FileChooser chooseFile,
                   QWidget* parent)
    : QWidget(parent)
    , m_document(document)
    , m_playback(playback)
    , m_state(state)
    , m_chooseFile(std::move(chooseFile))
{
    QVBoxLayout* page = InspectorParts::page(this);

    QVBoxLayout* original = InspectorParts::section(page, QStringLiteral("Original audio"))->column();
    m_sourceVolume = InspectorParts::settingSlider(
        original, QStringLiteral("Recording volume"),
        volume(document, &EditSettings::sourceVolume, EditDefaults::sourceVolume), 0, 1, InspectorText::percent);
    original->addWidget(InspectorParts::note(QStringLiteral("Set to zero to mute the original recording. Music has its own volume.")));

    QVBoxLayout* sounds = InspectorParts::section(page, QStringLiteral("Interaction sounds"))->column();
    m_interaction =
        new StudioSwitch(QStringLiteral("Follow clicks & typing"),
                         optionalSetting(document, &EditSettings::interactionSounds, EditDefaults::interactionSounds));
    sounds->addWidget(m_interaction);
    m_interactionNote = InspectorParts::note(QString());
    sounds->addWidget(m_interactionNote);
    QVBoxLayout* details = nullptr;
    m_interactionDetails = column(&details, 14);
    m_style = StudioSegments::make<InteractionSoundStyle>(
        QStringLiteral("Sound style"),
        optionalSetting(document, &EditSettings::interactionSoundStyle, EditDefaults::interactionSoundStyle),
        {InteractionSoundStyle::musical, InteractionSoundStyle::tactile}, styleTitle);
    details->addWidget(m_style);
    m_styleNote = InspectorParts::note(QString());
    details->addWidget(m_styleNote);
    auto* switches = new QHBoxLayout;
    switches->setSpacing(16);
    for (const auto& [title, field, absent] :
         {std::tuple{QStringLiteral("Clicks"), &EditSettings::clickSounds, EditDefaults::clickSounds},
          std::tuple{QStringLiteral("Typing"), &EditSettings::typingSounds, EditDefaults::typingSounds}}) {
        auto* toggle = new StudioSwitch(title, optionalSetting(document, field, absent), StudioControlSize::compact);
        m_soundSwitches.push_back(toggle);
        switches->addWidget(toggle, 0, Qt::AlignVCenter);
    }
    switches->addStretch(1);
    details->addLayout(switches);
    m_interactionVolume = InspectorParts::settingSlider(
        details, QStringLiteral("Interaction volume"),
        volume(document, &EditSettings::interactionVolume, EditDefaults::interactionVolume), 0, 1,
        InspectorText::percent);
    m_preparing = new QWidget;
    auto* preparing = new QHBoxLayout(m_preparing);
    preparing->setContentsMargins(0, 0, 0, 0);
    auto* progress = new QProgressBar;
    progress->setRange(0, 0);
    progress->setTextVisible(false);
    progress->setFixedSize(48, 6);
    preparing->addWidget(progress);
    preparing->addWidget(new StudioLabel(QStringLiteral("Preparing local soundtrack…"), StudioTextStyle::caption,
                                         StudioLabelRole::secondary),
                         1);
    details->addWidget(m_preparing);
    QVBoxLayout* failure = nullptr;
    m_failure = column(&failure, 6);
    m_failureText = new QLabel;
    m_failureText->setWordWrap(true);
    m_failureText->setFont(studioFont(StudioTextStyle::caption));
    failure->addWidget(m_failureText);
    StudioButton* retry = InspectorParts::button(QStringLiteral("Try again"));
    connect(retry, &QAbstractButton::clicked, &playback, &EditorPlayback::configureMusicPreview);
    failure->addWidget(retry, 0, Qt::AlignLeft);
    details->addWidget(m_failure);
    details->addWidget(InspectorParts::note(QStringLiteral("Typing follows detected bursts, not individual keys. Included in MP4 and MOV exports; GIF is "
                       "silent."), StudioTextStyle::caption2));
    sounds->addWidget(m_interactionDetails);

    QVBoxLayout* music = InspectorParts::section(page, QStringLiteral("Music"))->column();
    auto* header = new QHBoxLayout;
    auto* names = new QVBoxLayout;
    names->setSpacing(3);
    m_trackTitle = new StudioLabel(QString(), StudioTextStyle::body);
    m_trackTitle->setTextStyle(StudioTextStyle::body, QFont::Medium);
    names->addWidget(m_trackTitle);
    m_trackDetail = new StudioLabel(QString(), StudioTextStyle::caption, StudioLabelRole::secondary);
    names->addWidget(m_trackDetail);
    header->addLayout(names, 1);
    m_remove = InspectorParts::button(QStringLiteral("Remove"));
    connect(m_remove, &QAbstractButton::clicked, this, [this] { setMusic(MusicChoice::none); });
    header->addWidget(m_remove, 0, Qt::AlignVCenter);
    music->addLayout(header);

    m_disclosure = new StudioButton(InspectorText::musicLibraryTitle(), QString(), StudioButtonVariant::tertiary,
                                    StudioControlSize::compact);
    connect(m_disclosure, &QAbstractButton::clicked, this,
            [this] { m_state.setMusicLibraryExpanded(!m_state.musicLibraryExpanded()); });
    music->addWidget(m_disclosure, 0, Qt::AlignLeft);
    QVBoxLayout* library = nullptr;
    m_library = column(&library, 10);
    library->setContentsMargins(0, 12, 0, 0);
    for (const MusicChoice choice : Music::library) {
        const InspectorText::Track track = InspectorText::track(choice);
        auto* row = new StudioMusicRow(
            track.title, track.detail, false, false, [this, choice] { setMusic(choice); },
            [this, choice] { m_playback.auditionMusic(choice); });
        row->setObjectName(QString::fromUtf8(storedValue(choice).data(), int(storedValue(choice).size())));
        m_rows.push_back(row);
        library->addWidget(row);
    }
    music->addWidget(m_library);

    m_import = InspectorParts::button(QStringLiteral("Import your own audio…"));
    connect(m_import, &QAbstractButton::clicked, this, &AudioTab::chooseMusicFile);
    music->addWidget(m_import, 0, Qt::AlignLeft);
    m_importedFile = new QPushButton;
    m_importedFile->setFont(studioFont(StudioTextStyle::caption));
    connect(m_importedFile, &QAbstractButton::clicked, this, [this] { setMusic(MusicChoice::custom); });
    music->addWidget(m_importedFile, 0, Qt::AlignLeft);

    QVBoxLayout* musicVolume = nullptr;
    m_musicVolumeArea = column(&musicVolume, 14);
    m_musicVolume = InspectorParts::settingSlider(
        musicVolume, QStringLiteral("Music volume"),
        volume(document, &EditSettings::musicVolume, EditDefaults::musicVolume), 0, 1, InspectorText::percent);
    musicVolume->addWidget(InspectorParts::note(InspectorText::musicLibraryNote()));
    music->addWidget(m_musicVolumeArea);

    for (auto signal : {&EditorDocument::settingsChanged, &EditorDocument::interactionEventsChanged})
        connect(&document, signal, this, &AudioTab::refresh);
    for (auto signal : {&EditorPlayback::isPreparingInteractionSoundsChanged,
                        &EditorPlayback::interactionSoundErrorChanged, &EditorPlayback::auditioningMusicChanged})
        connect(&playback, signal, this, &AudioTab::refresh);
    connect(&state, &ContentState::changed, this, &AudioTab::refresh);
    refresh();
}

std::optional<QUrl> AudioTab::askForAudioFile(QWidget* parent)
{
    const QUrl file = QFileDialog::getOpenFileUrl(
        parent, QStringLiteral("Import audio"), QUrl(),
        QStringLiteral("Audio (*.m4a *.mp3 *.aac *.wav *.aif *.aiff *.caf *.flac *.ogg *.oga *.opus)"));
    if (file.isEmpty())
        return std::nullopt;
    return file;
}

void AudioTab::chooseMusicFile()
{
    if (const std::optional<QUrl> file = m_chooseFile(window()))
        m_playback.useMusicFile(*file);
}

void AudioTab::setMusic(MusicChoice choice)
{
    optionalSetting(m_document, &EditSettings::musicChoice, EditDefaults::musicChoice).set(choice);
}

void AudioTab::refresh()
{
    const EditSettings& settings = m_document.settings();
    const bool hasTimings = !m_document.interactionEvents().empty();

    m_sourceVolume->refresh();
    m_interaction->refresh();
    m_interaction->setEnabled(hasTimings);
    m_interactionNote->setText(InspectorText::interactionNote(hasTimings));
    m_interactionDetails->setVisible(hasTimings && settings.effectiveInteractionSounds());
    m_style->update();
    m_styleNote->setText(InspectorText::soundStyleNote(settings.interactionSoundStyle));
    for (StudioSwitch* toggle : m_soundSwitches)
        toggle->refresh();
    m_interactionVolume->refresh();
    m_preparing->setVisible(m_playback.isPreparingInteractionSounds());
    const std::optional<QString>& error = m_playback.interactionSoundError();
    m_failure->setVisible(error.has_value());
    m_failureText->setText(error.value_or(QString()));
    QPalette red = m_failureText->palette();
    red.setColor(QPalette::WindowText, StudioColors::of(this).red);
    m_failureText->setPalette(red);

    const std::optional<MusicChoice> choice = settings.musicChoice;
    const bool hasMusic = choice && *choice != MusicChoice::none;
    const InspectorText::Track track = InspectorText::track(choice);
    m_trackTitle->setText(track.title);
    m_trackDetail->setText(track.detail);
    m_remove->setVisible(hasMusic);
    const bool expanded = m_state.musicLibraryExpanded();
    m_disclosure->setSystemImage(expanded ? QStringLiteral("chevron.down") : QStringLiteral("chevron.right"));
    m_library->setVisible(expanded);
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        m_rows[i]->setSelected(choice == Music::library[i]);
        m_rows[i]->setPlaying(m_playback.auditioningMusic() == Music::library[i]);
    }
    m_importedFile->setVisible(settings.musicFileURL.has_value());
    if (settings.musicFileURL) {
        m_importedFile->setText(settings.musicFileURL->fileName());
        m_importedFile->setIcon(studioSymbolPixmap(QStringLiteral("music.note"), 12, StudioColors::of(this).label,
                                                   devicePixelRatioF()));
    }
    m_musicVolumeArea->setVisible(hasMusic);
    m_musicVolume->refresh();
}

}  // namespace sablewick
