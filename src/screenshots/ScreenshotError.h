#pragma once

#include <QString>

#include <stdexcept>

namespace sablewick {

// The failures of the image editor's files and renders, and of a capture that finds no display.
// `what()` and description() give the fixed, user-facing sentence of the kind; models put their own
// prefix before it.
class ScreenshotError : public std::runtime_error {
public:
    enum class Kind { invalidImage, encodeFailed, invalidProject, noDisplay };

    explicit ScreenshotError(Kind kind);
    Kind kind() const { return m_kind; }
    QString description() const { return QString::fromUtf8(what()); }

    static const char* descriptionOf(Kind kind);

private:
    Kind m_kind;
};

}  // namespace sablewick
