#include "workspace/SettingsBinding.h"

#include "editor/EditorDocument.h"

namespace sablewick {

StudioBinding<EditSettings> editorSettings(EditorDocument& document)
{
    return {[&document] { return document.settings(); },
            [&document](const EditSettings& s) { document.setSettings(s); }};
}

}  // namespace sablewick
