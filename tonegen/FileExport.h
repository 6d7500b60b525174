// Writing a block of bytes to a named file without risking the file it
// replaces.
#pragma once

#include <cstddef>
#include <string>

// Writes Size bytes from Data to FileName and returns true when every byte
// reached the file.
//
// A regular file (or a name not yet taken) is written to a new file beside it,
// flushed to disk and renamed over the target only when it is complete, so a
// failure at any point leaves the old file as it was and no partial file
// behind. An existing file is replaced only when it could be opened for
// writing, so a write-protected file is refused as it would be by writing it
// in place. The new file needs a writable folder: a writable file in a
// folder that is not writable cannot be replaced. A replaced file keeps its
// permission bits, but it is a new file: its owner becomes the writer, and
// other hard links to the old file keep the old contents. Symbolic links are
// followed, so the file they point to is replaced and the link stays. A
// device or pipe has no contents to protect and is written directly; a
// directory is refused.
bool WriteFileReplacing(const std::string& FileName, const void* Data, std::size_t Size);
