#pragma once

#include <QString>

#include <array>
#include <optional>

namespace sablewick {

// The pages of the video editor's inspector, in the order the rail shows them. Stored and shown
// by their raw values "Canvas", "Focus", "Cursor", "Audio".
enum class InspectorTab { canvas, focus, cursor, audio };

inline constexpr std::array allInspectorTabs{InspectorTab::canvas, InspectorTab::focus, InspectorTab::cursor,
                                             InspectorTab::audio};

QString rawValue(InspectorTab tab);
// Exactly one of the four raw values (case-sensitive); anything else gives none.
std::optional<InspectorTab> inspectorTabFromRawValue(const QString& raw);

}  // namespace sablewick
