// Deleting a category reaches into the media catalogue: a category that
// still holds items stays, and items left without a category are re-filed.
#pragma once

#include <cstdint>

#include "frame/database_handle.h"

namespace mvdb {

int32_t DeleteCategory(DatabaseHandle& db, int32_t position, int32_t mode);

// Moves every item whose category is not live into `receivingId`.
void RefileOrphanedMedia(DatabaseHandle& db, int32_t receivingId);

}  // namespace mvdb
