#pragma once

// File names are bytes to the file system, and most are UTF-8. A name that is not valid
// UTF-8 (written on an older system in Latin-1, say) still has to be listed, opened,
// renamed and deleted: each of its stray bytes is held in a QString as a code unit of its
// own (U+DC80..U+DCFF, which no valid text holds), so the name goes back to exactly its
// bytes. Every path handed from the windows to the engine or the file system goes
// through pathBytes.

#include <cstddef>
#include <string>

#include <QString>

namespace Platform {

QString pathFromBytes(const std::string& bytes);
std::string pathBytes(const QString& path);

} // namespace Platform
