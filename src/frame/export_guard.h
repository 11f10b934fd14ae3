// Every export runs its body through Guarded: a null handle answers its
// null result, and nothing thrown inside ever crosses the C interface. The
// body is one change: what it writes commits at its end as a whole, and a
// change that cannot be made durable answers MVDB_ERR_WRITE with memory
// as it was before.
#pragma once

#include <cstdint>
#include <new>

#include "frame/database_handle.h"
#include "storage/transaction.h"

namespace mvdb {

template <typename Body>
int32_t Guarded(MVDB_HANDLE handle, int32_t nullResult, int32_t failureResult, Body&& body) noexcept {
    DatabaseHandle* db = FromHandle(handle);
    if (db == nullptr) return nullResult;
    try {
        Transaction change(db->journal());
        const int32_t result = body(*db);
        const int32_t committed = change.Commit();
        return committed != 0 ? committed : result;
    } catch (...) {
        return failureResult;
    }
}

template <typename Body>
int32_t Guarded(MVDB_HANDLE handle, Body&& body) noexcept {
    return Guarded(handle, MVDB_ERR_INVALID, MVDB_ERR_INVALID, static_cast<Body&&>(body));
}

}  // namespace mvdb
