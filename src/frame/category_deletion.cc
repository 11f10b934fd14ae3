#include "frame/category_deletion.h"

namespace mvdb {

namespace {

constexpr int32_t kDeleteSubtree = 1;
constexpr int32_t kMoveChildrenUp = 2;

}  // namespace

int32_t DeleteCategory(DatabaseHandle& db, int32_t position, int32_t mode) {
    CategoryDatabase& categories = db.categories();
    CategoryInfo category;
    if (const int32_t rc = categories.GetRecord(position, &category); rc != 0) return rc;
    if (db.media().IsCategoryUsed(position) == 1) return MVDB_ERR_ACCESS_DENIED;
    const bool takesChildren = mode == kDeleteSubtree || mode == kMoveChildrenUp;
    if (!takesChildren && categories.HasLiveChildren(position) == 1) return MVDB_ERR_ACCESS_DENIED;
    if (const int32_t rc = categories.DeleteRecord(position); rc != 0) return rc;
    // From here the deletion stands; what follows refuses nothing.
    if (mode == kDeleteSubtree) {
        categories.DeleteSubtree(category);
        RefileOrphanedMedia(db, category.parentId);
    } else if (mode == kMoveChildrenUp) {
        categories.MoveChildrenUp(category);
        RefileOrphanedMedia(db, category.parentId);
    }
    return 0;
}

void RefileOrphanedMedia(DatabaseHandle& db, int32_t receivingId) {
    MediaDatabase& media = db.media();
    const int32_t count = media.RecordCount();
    for (int32_t m = 0; m < count; ++m) {
        MediaInfo item;
        CategoryInfo category;
        if (media.GetRecord(m, &item) != 0) continue;
        if (db.categories().GetRecord(item.categoryId, &category) == 0) continue;
        item.categoryId = receivingId;
        media.ReplaceRecord(m, &item);
    }
}

}  // namespace mvdb
