#pragma once

#include "document/Project.h"

namespace sablewick::test {

// Settings with every optional field present and every field away from its default.
inline EditSettings fullSettings()
{
    EditSettings s;
    s.trimStart = 0.5;
    s.trimEnd = 12.25;
    s.zoomDuration = 3;
    s.zoomStrength = 2.1;
    s.background = BackgroundPreset::all().at(8);  // "slate": no glow, no fourth colour
    s.backgroundKind = BackgroundKind::image;
    s.solidColor = 0x102030;
    s.backgroundImageURL = QUrl::fromLocalFile("/home/user/My Pictures/desk (1).png");
    s.backgroundArtwork = BackgroundArtwork::clayFolds;
    s.aspect = AspectRatio::custom;
    s.customAspectWidth = 21;
    s.customAspectHeight = 9;
    s.cornerRadius = 12;
    s.canvasPadding = 3.5;
    s.shadowStrength = 0.5;
    s.frameInset = 4;
    s.frameColor = 0xFFFFFFFF;
    s.balancedCorners = false;
    s.sourceAspectWidth = 2560;
    s.sourceAspectHeight = 1440;
    s.pointerVisible = false;
    s.pointerSize = 2.5;
    s.pointerStyle = PointerStyle::dot;
    s.pointerSmooth = false;
    s.pointerPress = false;
    s.pointerRipple = true;
    s.zoomTransition = 0.3;
    s.backgroundBlur = 7;
    s.cropLeft = 0.1;
    s.cropRight = 0.05;
    s.cropTop = 0.2;
    s.cropBottom = 1e-9;
    s.zoomEnabled = false;
    s.musicChoice = MusicChoice::custom;
    s.musicFileURL = QUrl::fromLocalFile("/home/user/Music/Über track #2.mp3");
    s.musicVolume = 0.5;
    s.sourceVolume = 0;
    s.interactionSounds = true;
    s.interactionSoundStyle = InteractionSoundStyle::tactile;
    s.interactionVolume = 0.9;
    s.clickSounds = false;
    s.typingSounds = false;
    return s;
}

inline FocusProject fullProject()
{
    FocusProject p;
    p.movieURL = QUrl::fromLocalFile("/home/user/Videos/Sablewick Recordings/Recording-2026.mp4");
    p.settings = fullSettings();
    p.events = {
        FocusPoint{QUuid::createUuid(), 1.25, 0.1, 0.9, FocusKind::click},
        FocusPoint{QUuid::createUuid(), 4, 0.5, 0.5, FocusKind::manual, 1.5, 2.5, ZoomMode::follow, 0.4},
        FocusPoint{QUuid::createUuid(), 6.5, 0.7, 0.2, FocusKind::typing},
    };
    p.savedProjectURL = QUrl::fromLocalFile("/home/user/Demo.sablewick.json");
    p.interactionEvents = std::vector<FocusPoint>{p.events[0]};
    p.pointerSamples = std::vector<PointerSample>{{0, 0, 0, true}, {0.033, 0.5, 1, false}};
    p.editablePointer = true;
    return p;
}

}  // namespace sablewick::test
