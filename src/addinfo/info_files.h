// Additional info on its own: up to eight pieces of bytes per item, one info
// file each in the info folder, described in the item's info area; or, in
// the older mode, one inline text held in the info area itself. This part
// knows the names, paths and contents of info files and how an info area
// changes; it knows nothing of the records that hold the areas, so the
// media catalogue (which does) calls it and never the other way round.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "addinfo/info_area.h"
#include "mvdb.h"
#include "storage/transaction.h"

namespace mvdb {

// True for the piece numbers an item has in the file mode.
bool ValidInfoNumber(int32_t number);

// The bytes of the inline text: the field may be full, with no NUL.
size_t InlineTextLength(const InfoArea& area);

// The name of info file `number` of item `index`, which is named by its
// position.
std::string InfoFileName(int32_t index, int32_t number);

// The path of that file in `folder`; empty when it does not fit in a path
// buffer. An empty folder is the current folder, never the root.
std::string InfoFilePath(const std::string& folder, int32_t index, int32_t number);

// Changes to an info area, made on a copy or in place by the record's owner.
// Puts the area in the file mode; text left from the inline mode would read
// as descriptors, so it is cleared.
void SwitchToFileMode(InfoArea& area);
void ClearInlineText(InfoArea& area);
// Sets the size of piece `number` (a valid number) to 0.
void ForgetInfoPiece(InfoArea& area, int32_t number);
void ForgetAllInfoPieces(InfoArea& area);

// The pieces the area describes: in the file mode those with a size other
// than 0, in the inline mode 1 for a text that is not empty;
// MVDB_ERR_INFO_MODE for an unknown mode.
int32_t CountInfoPieces(const InfoArea& area);

// Whether the info file at `path` can give `storedSize` bytes: 0 when it
// can (or there is nothing to give), MVDB_ERR_NOT_FOUND when it is missing,
// MVDB_ERR_SHORT_READ when the size is negative or the file shorter. Reads
// no content.
int32_t CheckInfoFile(const std::string& path, int32_t storedSize);

// Reads the `wanted` bytes of the info file at `path` into `buffer`, never
// more than the file holds. MVDB_ERR_NOT_FOUND when the file is missing
// (checked first, and the only case of that result, so the caller may forget
// the piece); MVDB_ERR_SHORT_READ for a negative size (nothing is read) or a
// file shorter than `wanted` (what it holds is read); 0 at once for size 0;
// MVDB_ERR_INVALID for a null buffer.
int32_t ReadInfoFile(const std::string& path, int32_t wanted, void* buffer);

// The info file at `path` as a text: its `storedSize` bytes with a NUL after
// them, in a buffer sized by what was read, never by a stored size alone.
// 0 when it holds at least one byte; MVDB_ERR_NOT_FOUND for size 0 or a
// missing file; MVDB_ERR_SHORT_READ for a negative size or a file shorter
// than it; MVDB_ERR_NO_RECORD without memory.
int32_t ReadInfoFileText(const std::string& path, int32_t storedSize, std::vector<char>* text);

// Writes `size` bytes as info file `number` of item `index` in `folder`,
// aside until `change` commits; false when they cannot be written.
bool PutInfoFile(Transaction& change, const std::string& folder, int32_t index, int32_t number,
                 const void* data, int32_t size);

// Removes that info file once a change of its own commits.
int32_t RemoveInfoFileWithChange(const std::string& folder, int32_t index, int32_t number);

}  // namespace mvdb
