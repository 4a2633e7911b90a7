#pragma once

#include "document/EditSettings.h"
#include "document/FocusPoint.h"

#include <nlohmann/json.hpp>

#include <vector>

namespace sablewick {

// The JSON form of the document records: field names as keys, absent optionals left out, colours
// as decimal integers, URLs as absolute URL strings, UUIDs as upper-case hyphenated text,
// enumerations as their stored values.
//
// Encoders throw DocumentError (notEncodable) for a NaN or infinite number. Decoders throw
// DocumentError (malformed) when a required key is missing or null, any value has the wrong JSON
// type, an integer is out of range, a number is not finite, or a string is no stored value, URL or
// UUID; keys they do not know are ignored. They never repair: any fault rejects the whole value.
namespace DocumentJson {

nlohmann::json encode(const BackgroundPreset& preset);
nlohmann::json encode(const EditSettings& settings);
nlohmann::json encode(const FocusPoint& point);
nlohmann::json encode(const PointerSample& sample);
nlohmann::json encode(const std::vector<FocusPoint>& points);
nlohmann::json encode(const std::vector<PointerSample>& samples);

BackgroundPreset decodeBackgroundPreset(const nlohmann::json& object);
EditSettings decodeEditSettings(const nlohmann::json& object);
FocusPoint decodeFocusPoint(const nlohmann::json& object);
PointerSample decodePointerSample(const nlohmann::json& object);
std::vector<FocusPoint> decodeFocusPoints(const nlohmann::json& array);
std::vector<PointerSample> decodePointerSamples(const nlohmann::json& array);

// The text forms used for UUIDs and URLs.
std::string uuidText(const QUuid& id);
std::string urlText(const QUrl& url);

}  // namespace DocumentJson
}  // namespace sablewick
