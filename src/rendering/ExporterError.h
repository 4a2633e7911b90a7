#pragma once

#include <QString>

#include <stdexcept>

namespace sablewick {

// The failures of an export, each with its fixed, user-facing message.
enum class ExporterError {
    noVideo,
    readerUnavailable,
    encoderUnavailable,
    writeFailed,
    musicUnavailable,
    cancelled,
    sourceOverwrite,
};

// The message shown after "Export failed: " (or alone, for a cancel).
QString errorDescription(ExporterError error);

// What the export and the renders that share its job throw. what() is the message in UTF-8.
class ExporterFailure : public std::runtime_error {
public:
    explicit ExporterFailure(ExporterError error);

    ExporterError error() const { return m_error; }
    QString description() const { return errorDescription(m_error); }

private:
    ExporterError m_error;
};

}  // namespace sablewick
