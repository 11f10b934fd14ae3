// Reading and editing the category tree.
#include <vector>

#include "category/category_database.h"

namespace mvdb {

namespace {

bool IsSystem(const CategoryInfo& record) { return (record.accessFlags & MVDB_CATEGORY_SYSTEM) != 0; }

}  // namespace

int32_t CategoryDatabase::GetRecord(int32_t position, CategoryInfo* out) const {
    if (out == nullptr) return MVDB_ERR_INVALID;
    CategoryInfo record;
    if (!records_.Get(position, &record) || IsTombstone(record)) return MVDB_ERR_OUT_OF_RANGE;
    *out = record;
    return 0;
}

int32_t CategoryDatabase::AddRecord(CategoryInfo* info) {
    if (info == nullptr) return MVDB_ERR_INVALID;
    if (CheckParent(info->parentId) != 0) return MVDB_ERR_OUT_OF_RANGE;
    uint32_t parentFlags = 0;
    GetAccessFlags(info->parentId, &parentFlags);
    // The Root accepts children whatever its flags.
    if (info->parentId != 0 && (parentFlags & MVDB_CATEGORY_SYSTEM) != 0) return MVDB_ERR_ACCESS_DENIED;

    // The id, the position and the store happen under the store lock, so
    // two adds at once never take the same id.
    int32_t position;
    CategoryInfo record;
    {
        platform::CriticalSectionGuard guard(storeLock_);
        info->recordSize = sizeof(CategoryInfo);
        if ((info->categoryStatus & MVDB_CATEGORY_DELETED) != 0) info->categoryStatus = 0;
        info->categoryId = NewCategoryId();
        record = *info;
        position = FindFreeSlot();
        if (position >= 0) {
            records_.Set(position, record);
        } else {
            position = records_.Append(record);
        }
        WriteRecord(position);
    }
    return record.categoryId;
}

template <typename Change>
int32_t CategoryDatabase::ChangeUserCategory(int32_t position, Change&& change) {
    int32_t result = MVDB_ERR_OUT_OF_RANGE;
    records_.Update(position, [&](CategoryInfo& r) {
        if (IsTombstone(r)) return;
        if (IsSystem(r)) {
            result = MVDB_ERR_ACCESS_DENIED;
            return;
        }
        change(r);
        result = 0;
    });
    return result;
}

int32_t CategoryDatabase::DeleteRecord(int32_t position) {
    if (position <= 0) return MVDB_ERR_OUT_OF_RANGE;
    platform::CriticalSectionGuard guard(storeLock_);
    const int32_t result =
        ChangeUserCategory(position, [](CategoryInfo& r) { r.categoryStatus = MVDB_CATEGORY_DELETED; });
    if (result == 0) WriteRecord(position);
    return result;
}

int32_t CategoryDatabase::ReplaceRecord(int32_t position, CategoryInfo* info) {
    if (position <= 0) return MVDB_ERR_OUT_OF_RANGE;
    CategoryInfo replacement = *info;
    replacement.categoryId = position;
    replacement.recordSize = sizeof(CategoryInfo);
    platform::CriticalSectionGuard guard(storeLock_);
    const int32_t result = ChangeUserCategory(position, [&](CategoryInfo& r) { r = replacement; });
    if (result != 0) return result;
    info->categoryId = position;
    WriteRecord(position);
    return 0;
}

int32_t CategoryDatabase::HasLiveChildren(int32_t position) const {
    if (!records_.InRange(position)) return MVDB_ERR_OUT_OF_RANGE;
    const int32_t child = records_.FindFirst(
        [position](const CategoryInfo& r) { return !IsTombstone(r) && r.parentId == position; });
    return child >= 0 ? 1 : 0;
}

int32_t CategoryDatabase::CollectChildren(int32_t position, int32_t slot) {
    CategoryInfo parent;
    if (!records_.Get(position, &parent)) return MVDB_ERR_OUT_OF_RANGE;
    if (!ResultSlots<int32_t>::ValidSlot(slot)) return MVDB_ERR_OUT_OF_RANGE;
    return slots_.Rebuild(slot, [&](std::vector<int32_t>& entries) {
        records_.ForEach([&](int32_t p, const CategoryInfo& r) {
            if (!IsTombstone(r) && r.parentId == parent.categoryId) entries.push_back(p);
        });
    });
}

int32_t CategoryDatabase::GetCollected(int32_t n, CategoryInfo* out, int32_t slot) const {
    if (out == nullptr) return MVDB_ERR_INVALID;
    int32_t position = 0;
    if (!slots_.Get(slot, n, &position)) return MVDB_ERR_OUT_OF_RANGE;
    // The record as it is now, whatever it has become since the list was made.
    return records_.Get(position, out) ? 0 : MVDB_ERR_OUT_OF_RANGE;
}

void CategoryDatabase::DeleteSubtree(const CategoryInfo& category) {
    // Depth first with an explicit stack, in the order a recursive walk
    // takes: a child's subtree goes before the next position is read, and a
    // category becomes a tombstone when its own parent's walk reaches it.
    // Ids already on the stack are not entered again, so damaged parent
    // links cannot make the walk endless.
    struct Frame {
        CategoryInfo category;
        int32_t count;
        int32_t next;
        bool returning;
        CategoryInfo child;
    };
    std::vector<Frame> stack;
    const int32_t count = GetCount();
    if (count < 2) return;
    stack.push_back({category, count, 1, false, {}});
    const auto onStack = [&stack](int32_t id) {
        for (const Frame& f : stack) {
            if (f.category.categoryId == id) return true;
        }
        return false;
    };
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.returning) {
            frame.returning = false;
            if (frame.child.categoryId == frame.category.categoryId) DeleteRecord(frame.next);
            ++frame.next;
            continue;
        }
        if (frame.next >= frame.count) {
            stack.pop_back();
            continue;
        }
        CategoryInfo copy;
        if (GetRecord(frame.next, &copy) != 0) {
            ++frame.next;
            continue;
        }
        frame.child = copy;
        if (copy.parentId == frame.category.categoryId && !onStack(copy.categoryId)) {
            frame.returning = true;
            const int32_t childCount = GetCount();
            if (childCount >= 2) stack.push_back({copy, childCount, 1, false, {}});
            continue;
        }
        if (copy.categoryId == frame.category.categoryId) DeleteRecord(frame.next);
        ++frame.next;
    }
}

void CategoryDatabase::MoveChildrenUp(const CategoryInfo& category) {
    const int32_t count = GetCount();
    for (int32_t p = 1; p < count; ++p) {
        CategoryInfo copy;
        if (GetRecord(p, &copy) != 0 || copy.parentId != category.categoryId) continue;
        copy.parentId = category.parentId;
        ReplaceRecord(copy.categoryId, &copy);
    }
}

}  // namespace mvdb
