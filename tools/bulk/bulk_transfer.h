// The bulk path of `mvdb import` and `mvdb export`. It runs the library's
// own code below its exports (linked into the tool for this alone), so that
// a whole file comes in as ONE change with one flush instead of one durable
// change per record. Like OpenMVDB it opens the database only when no other
// program holds it, and closes it before returning.
#pragma once

#include <cstdint>
#include <string>

#include "catalogue/bulk_import.h"

namespace mvdb::bulk {

// Every record of the database, deleted ones included, in position order.
// False with `error` when the database cannot be opened.
bool ReadCatalogue(ImportBatch* out, std::string* error);

// Brings `batch` in as one change. 0; MVDB_ERR_INVALID with `refusal` set
// (nothing changed); MVDB_ERR_WRITE when the change did not become durable
// (nothing changed); or -1 with `error` when the database cannot be opened
// for writing.
int32_t Import(const ImportBatch& batch, ImportMode mode, ImportRefusal* refusal, std::string* error);

}  // namespace mvdb::bulk
