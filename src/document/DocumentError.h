#pragma once

#include <stdexcept>
#include <string>

namespace sablewick {

// The failures of reading and writing the document files. `what()` is a short English sentence
// that names the offending key (for example "settings.backgroundBlur is missing"); callers put
// their own fixed prefix before it.
class DocumentError : public std::runtime_error {
public:
    enum class Kind {
        malformed,           // not JSON, a required key missing, a value of the wrong type or range
        unsupportedVersion,  // a project whose version is not 1
        notEncodable,        // a number JSON cannot express (NaN or infinite); nothing was written
        io,                  // the file could not be read or written
        tooLarge,            // the file holds more than its format's largest size; it was not read
    };

    DocumentError(Kind kind, const std::string& message) : std::runtime_error(message), m_kind(kind) {}
    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};

}  // namespace sablewick
