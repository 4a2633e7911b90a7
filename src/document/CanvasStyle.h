#pragma once

#include "document/EditSettings.h"

#include <nlohmann/json.hpp>

#include <QObject>
#include <QString>
#include <QUrl>
#include <QUuid>
#include <QVariant>

#include <optional>
#include <vector>

namespace sablewick {

class PreferencesStore;

// A reusable canvas look cut out of an EditSettings.
struct CanvasStyle {
    BackgroundPreset background = BackgroundPreset::all().front();
    BackgroundKind kind = BackgroundKind::gradient;
    RgbColor color = 0xE8ECF2;
    std::optional<QUrl> image;
    std::optional<BackgroundArtwork> artwork;
    double radius = 24;
    double padding = 7.5;
    double shadow = 0.24;
    double blur = 0;
    double inset = EditDefaults::frameInset;
    RgbColor frameColor = EditDefaults::frameColor;
    bool balancedCorners = EditDefaults::balancedCorners;

    CanvasStyle() = default;
    // Copies the twelve values; the three optional frame settings give their effective defaults.
    explicit CanvasStyle(const EditSettings& settings);

    // Writes the twelve values back into `settings` (the frame settings become present); every
    // other setting stays as it was.
    void applyTo(EditSettings& settings) const;

    bool operator==(const CanvasStyle&) const = default;

    nlohmann::json toJson() const;                           // throws DocumentError
    static CanvasStyle fromJson(const nlohmann::json& json);  // throws DocumentError
};

// A canvas style saved under a name.
struct NamedCanvasStyle {
    QUuid id;
    QString name;
    CanvasStyle style;

    bool operator==(const NamedCanvasStyle&) const = default;

    nlohmann::json toJson() const;
    static NamedCanvasStyle fromJson(const nlohmann::json& json);
};

// The user's saved canvas styles, kept in the preferences store under "canvas.presets" as a UTF-8
// JSON array. Main thread only.
//
// A stored value that cannot be read starts the list empty; before the first write would replace
// it, the unreadable value is kept aside under "canvas.presets.unreadable" (or a numbered key
// after it when that one is taken), so nothing the user had is silently lost.
class CanvasPresets : public QObject {
    Q_OBJECT
public:
    static constexpr const char* storageKey = "canvas.presets";
    static constexpr const char* backupKey = "canvas.presets.unreadable";
    // Names keep at most this many user-perceived characters.
    static constexpr int maximumNameLength = 60;

    explicit CanvasPresets(PreferencesStore& defaults, QObject* parent = nullptr);

    // The process-wide store on the standard preferences, created on first use.
    static CanvasPresets& shared();

    const std::vector<NamedCanvasStyle>& items() const { return m_items; }

    // Saves the canvas look of `settings` under `name`: trimmed, cut to 60 characters; a blank
    // name does nothing. A preset with the same name ignoring case gets the new style and keeps
    // its id, name and position; otherwise a new preset is appended. Returns false when nothing
    // was stored (blank name, or a style with a number JSON cannot hold); the list is then
    // unchanged.
    bool save(const QString& name, const EditSettings& settings);
    // Removes every preset with this id and writes the list (also when nothing matched).
    void remove(const QUuid& id);

    // The name as save() keeps it: trimmed and cut to the length limit.
    static QString normalizedName(const QString& name);

    // The list's stored form; throws DocumentError for a number JSON cannot hold.
    static QByteArray encode(const std::vector<NamedCanvasStyle>& items);
    // Throws DocumentError when the data is not a well-formed list.
    static std::vector<NamedCanvasStyle> decode(const QByteArray& data);

signals:
    void itemsChanged();

private:
    bool persist(const std::vector<NamedCanvasStyle>& items);
    void keepUnreadableAside();

    PreferencesStore& m_defaults;
    std::vector<NamedCanvasStyle> m_items;
    std::optional<QVariant> m_unreadable;  // the stored value that could not be read, until kept aside
};

}  // namespace sablewick
