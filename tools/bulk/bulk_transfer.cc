#include "bulk/bulk_transfer.h"

#include <memory>

#include "frame/database_handle.h"
#include "storage/transaction.h"

namespace mvdb::bulk {

namespace {

std::unique_ptr<DatabaseHandle> OpenOrSay(std::string* error) {
    std::unique_ptr<DatabaseHandle> handle = DatabaseHandle::Open();
    if (!handle)
        *error =
            "the database cannot be opened: another program has it open, or its journal cannot be replayed";
    return handle;
}

}  // namespace

bool ReadCatalogue(ImportBatch* out, std::string* error) {
    try {
        const std::unique_ptr<DatabaseHandle> handle = OpenOrSay(error);
        if (!handle) return false;
        handle->catalogue().Export(out);
        return true;
    } catch (const std::bad_alloc&) {
        *error = "not enough memory to read the catalogue";
        return false;
    }
}

int32_t Import(const ImportBatch& batch, ImportMode mode, ImportRefusal* refusal, std::string* error) {
    try {
        const std::unique_ptr<DatabaseHandle> handle = OpenOrSay(error);
        if (!handle) return -1;
        // Without the journal the change could not be made all or nothing.
        if (handle->journal() == nullptr) {
            *error = "the database's journal cannot be opened, so the import could not be all or nothing";
            return -1;
        }
        Transaction change(handle->journal());
        const int32_t result = handle->catalogue().Import(batch, mode, refusal);
        // A refused batch is dropped whole: the change's destructor undoes it.
        if (result != 0) return result;
        return change.Commit();
    } catch (const std::bad_alloc&) {
        *error = "not enough memory for the import";
        return -1;
    }
}

}  // namespace mvdb::bulk
