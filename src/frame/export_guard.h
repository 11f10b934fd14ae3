// Every export runs its body through Guarded: a null handle answers its
// null result, and nothing thrown inside ever crosses the C interface.
#pragma once

#include <cstdint>
#include <new>

#include "frame/database_handle.h"

namespace mvdb {

template <typename Body>
int32_t Guarded(MVDB_HANDLE handle, int32_t nullResult, int32_t failureResult, Body&& body) noexcept {
    DatabaseHandle* db = FromHandle(handle);
    if (db == nullptr) return nullResult;
    try {
        return body(*db);
    } catch (...) {
        return failureResult;
    }
}

template <typename Body>
int32_t Guarded(MVDB_HANDLE handle, Body&& body) noexcept {
    return Guarded(handle, MVDB_ERR_INVALID, MVDB_ERR_INVALID, static_cast<Body&&>(body));
}

}  // namespace mvdb
