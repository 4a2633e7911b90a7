#include "document/DocumentFile.h"

#include "document/DocumentError.h"
#include "platform/RegularFile.h"

namespace sablewick::DocumentFile {

std::string readBounded(const QString& path, qint64 limit)
{
    try {
        return readRegularFile(path, limit).toStdString();
    } catch (const RegularFileError& e) {
        const auto kind = e.kind() == RegularFileError::Kind::tooLarge ? DocumentError::Kind::tooLarge
                                                                       : DocumentError::Kind::io;
        throw DocumentError(kind, "Could not read " + path.toStdString() + ": " + e.what() + ".");
    }
}

}  // namespace sablewick::DocumentFile
