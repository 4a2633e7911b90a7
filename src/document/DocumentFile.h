#pragma once

#include <QString>

#include <string>

namespace sablewick::DocumentFile {

// The text of a document file the user named, for every format that reads one. Only a regular
// file is read: a named pipe, a device, a folder or a link to one is refused at once (a pipe is
// never waited on), and the read stops one byte past `limit`, whatever size the file claimed or
// grows to meanwhile. Throws DocumentError: tooLarge for more than `limit` bytes, io for any other
// failure; the text is "Could not read PATH: REASON."
std::string readBounded(const QString& path, qint64 limit);

}  // namespace sablewick::DocumentFile
