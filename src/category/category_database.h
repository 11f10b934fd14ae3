// The category tree: CategoryInfo records whose position is their id, with
// the Root at position 0, mirrored record by record to "MVDBCAT.db".
#pragma once

#include <cstdint>

#include "mvdb.h"
#include "platform/platform.h"
#include "storage/store.h"

namespace mvdb {

class CategoryDatabase : public Store<CategoryInfo, int32_t> {
public:
    CategoryDatabase(SharedAccount& account, const platform::CodePage& codePage);
    ~CategoryDatabase() override = default;

    int32_t Load();
    int32_t LoadDefaults();
    int32_t Clear() { return LoadDefaults(); }

    int32_t GetCount() const { return RecordCount(); }
    int32_t NewCategoryId() const;
    int32_t FindFreeSlot() const;
    int32_t CheckParent(int32_t id) const;
    int32_t GetAccessFlags(int32_t position, uint32_t* out) const;

    // Operations on the tree (category_operations.cc).
    int32_t GetRecord(int32_t position, CategoryInfo* out) const;
    int32_t AddRecord(CategoryInfo* info);
    int32_t DeleteRecord(int32_t position);
    int32_t ReplaceRecord(int32_t position, CategoryInfo* info);
    int32_t HasLiveChildren(int32_t position) const;
    int32_t CollectChildren(int32_t position, int32_t slot);
    int32_t GetCollected(int32_t n, CategoryInfo* out, int32_t slot) const;
    // Turns every live category below `category` into a tombstone, depth
    // first, each written through at once; system categories stay.
    void DeleteSubtree(const CategoryInfo& category);
    // Makes the children of `category` children of its parent.
    void MoveChildrenUp(const CategoryInfo& category);

private:
    // change(CategoryInfo&) on the live category at `position` when the
    // user may change it: 0, MVDB_ERR_OUT_OF_RANGE for a deleted or missing
    // one, MVDB_ERR_ACCESS_DENIED for a system category (left as it is).
    template <typename Change>
    int32_t ChangeUserCategory(int32_t position, Change&& change) MVDB_REQUIRES(storeLock_);

    const platform::CodePage& codePage_;
};

bool IsTombstone(const CategoryInfo& record);

}  // namespace mvdb
