#include "rendering/Scene.h"

#include "document/Project.h"

namespace sablewick {

Scene Scene::ofProject(const FocusProject& project, QSizeF sourceSize)
{
    Scene scene;
    scene.moviePath = project.movieURL.isLocalFile() ? project.movieURL.toLocalFile() : QString();
    scene.sourceSize = sourceSize;
    scene.settings = project.settings;
    scene.focusPoints = project.events;
    scene.interactionEvents = project.interactionEvents;
    if (project.pointerSamples)
        scene.pointerSamples = std::make_shared<const std::vector<PointerSample>>(*project.pointerSamples);
    scene.editablePointer = project.editablePointer.value_or(false);
    return scene;
}

}  // namespace sablewick
