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
    scene.pointerSamples = project.pointerSamples.value_or(std::vector<PointerSample>{});
    scene.editablePointer = project.editablePointer.value_or(false);
    return scene;
}

}  // namespace sablewick
