#include "editor/EditorNotice.h"

#include "editor/Published.h"

namespace sablewick {

void EditorNotice::set(std::optional<QString> text)
{
    publish(*this, m_text, std::move(text), &EditorNotice::changed);
}

}  // namespace sablewick
