#include "editor/EditorModel.h"

namespace sablewick {

EditorModel::EditorModel(EditorServices services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_document(m_services, m_notice, m_playback)
    , m_playback(m_services, m_document, m_notice)
    , m_focus(m_document, m_playback)
    , m_exporter(
          m_services.exportRunner,
          {.scene = [this] { return m_document.movieURL() ? std::optional<Scene>(m_document.scene()) : std::nullopt; },
           .pausePlayback = [this] { m_playback.pausePlayback(); }},
          m_notice)
{
    connect(&m_notice, &EditorNotice::changed, this, &EditorModel::noticeChanged);
}

EditorModel::~EditorModel() = default;

}  // namespace sablewick
