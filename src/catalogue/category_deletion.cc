// Category changes beside the items filed in the categories: a category
// that still holds items is not deleted, and no change leaves an item filed
// in a category that does not exist.
#include <vector>

#include "catalogue/catalogue.h"

namespace mvdb {

namespace {

constexpr int32_t kDeleteSubtree = 1;
constexpr int32_t kMoveChildrenUp = 2;

// The category an item of category `id` belongs in: `id` itself when it is
// live, else the nearest live category up its chain of parents (a deleted
// category keeps naming its parent), else the Root.
int32_t NearestLiveCategory(const std::vector<CategoryInfo>& all, int32_t id) {
    const auto exists = [&all](int32_t c) { return c >= 0 && static_cast<size_t>(c) < all.size(); };
    // Each step climbs one level; more steps than categories means a loop.
    for (size_t steps = 0; steps <= all.size() && exists(id); ++steps) {
        const CategoryInfo& category = all[static_cast<size_t>(id)];
        if (!IsTombstone(category)) return id;
        id = category.parentId;
    }
    return 0;
}

}  // namespace

int32_t Catalogue::AddCategory(CategoryInfo* info) {
    platform::CriticalSectionGuard guard(changeLock_);
    return Committed(categories_.AddRecord(info));
}

int32_t Catalogue::ReplaceCategory(int32_t position, CategoryInfo* info) {
    if (info == nullptr) return MVDB_ERR_INVALID;
    platform::CriticalSectionGuard guard(changeLock_);
    uint32_t stored = 0;
    if (categories_.GetAccessFlags(position, &stored) != 0) {
        if ((info->accessFlags & MVDB_CATEGORY_SYSTEM) != 0) return MVDB_ERR_OUT_OF_RANGE;
    } else if ((stored & MVDB_CATEGORY_SYSTEM) != 0) {
        return MVDB_ERR_ACCESS_DENIED;
    }
    if (const int32_t rc = categories_.ReplaceRecord(position, info); rc != 0) return rc;
    // A replacement may mark the category deleted; its items then move as
    // they would after a deletion.
    if (IsTombstone(*info)) RefileOrphanedMedia();
    return Committed(0);
}

int32_t Catalogue::DeleteCategory(int32_t position, int32_t mode) {
    platform::CriticalSectionGuard guard(changeLock_);
    CategoryInfo category;
    if (const int32_t rc = categories_.GetRecord(position, &category); rc != 0) return rc;
    if (media_.IsCategoryUsed(position) == 1) return MVDB_ERR_ACCESS_DENIED;
    const bool takesChildren = mode == kDeleteSubtree || mode == kMoveChildrenUp;
    if (!takesChildren && categories_.HasLiveChildren(position) == 1) return MVDB_ERR_ACCESS_DENIED;
    if (const int32_t rc = categories_.DeleteRecord(position); rc != 0) return rc;
    // From here the deletion stands; what follows refuses nothing.
    if (mode == kDeleteSubtree) {
        categories_.DeleteSubtree(category);
    } else if (mode == kMoveChildrenUp) {
        categories_.MoveChildrenUp(category);
    }
    // In every mode: category-neutral items, which did not hold the
    // deletion back, leave the deleted categories too.
    RefileOrphanedMedia();
    return Committed(0);
}

void Catalogue::RefileOrphanedMedia() {
    const std::vector<CategoryInfo> all = categories_.records_.Snapshot();
    const auto live = [&all](int32_t c) {
        return c >= 0 && static_cast<size_t>(c) < all.size() && !IsTombstone(all[static_cast<size_t>(c)]);
    };
    std::vector<int32_t> orphans;
    media_.records_.ForEach([&](int32_t m, const MediaElement& e) {
        if (!IsDeleted(e.info) && !live(e.info.categoryId)) orphans.push_back(m);
    });
    for (const int32_t m : orphans) {
        MediaInfo item;
        if (media_.GetRecord(m, &item) != 0) continue;
        item.categoryId = NearestLiveCategory(all, item.categoryId);
        media_.ReplaceRecord(m, &item);
    }
}

}  // namespace mvdb
