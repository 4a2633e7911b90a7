#include "editor/EditorNotice.h"
#include "platform/MainThread.h"

#include <functional>


namespace sablewick {

void EditorNotice::set(std::optional<QString> text)
{
    publish(m_text, std::move(text), std::bind_front(&EditorNotice::changed, this));
}

}  // namespace sablewick
