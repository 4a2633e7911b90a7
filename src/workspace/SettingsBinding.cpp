#include "workspace/SettingsBinding.h"

#include "editor/EditorModel.h"

namespace sablewick {

StudioBinding<EditSettings> editorSettings(EditorModel& editor)
{
    return {[&editor] { return editor.settings(); }, [&editor](const EditSettings& s) { editor.setSettings(s); }};
}

}  // namespace sablewick
