// The database account shared by the handle and its three stores. A lock of
// its own makes every header write carry either the former or the new
// account whole, whichever thread changes it.
#pragma once

#include <functional>

#include "mvdb.h"
#include "platform/platform.h"
#include "platform/thread_annotations.h"

namespace mvdb {

class SharedAccount {
public:
    SharedAccount() : block_{} {}

    DBAccount Get() const {
        platform::CriticalSectionGuard guard(lock_);
        return block_;
    }

    // Changes the block in place under the lock.
    void Update(const std::function<void(DBAccount&)>& change) {
        platform::CriticalSectionGuard guard(lock_);
        change(block_);
    }

private:
    mutable platform::CriticalSection lock_;
    DBAccount block_ MVDB_GUARDED_BY(lock_);
};

}  // namespace mvdb
