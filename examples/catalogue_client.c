/*
 * A small client of the mvdb library, in C99: it opens the database, logs a
 * player in, files two films with a synopsis each in a new category, finds
 * one by its title, lists what changed since the player's login, and
 * closes the database.
 *
 *   catalogue_client [PLAYER-NAME]
 *
 * The database is the one the library is configured for (the registry on
 * Windows, MVDB_REGISTRY on POSIX; without either, the files MVDBCAT.db,
 * MVDBMF.db and MVDBCLT.db in the current folder). Exit status 0 when every
 * step worked.
 */
#include <stdio.h>
#include <string.h>

#include "mvdb.h"

/* Result slots are the caller's to choose; each query below uses its own. */
enum { kSearchSlot = 0, kChangesSlot = 1 };

static int Fail(const char* step, int32_t result) {
    fprintf(stderr, "catalogue_client: %s failed with %ld\n", step, (long)result);
    return 0;
}

/* Adds a film to a category with a synopsis as piece 0 of its additional
 * info; returns the item's index, or a negative result code. */
static int32_t AddFilm(MVDB_HANDLE db, int32_t categoryId, const char* title, const char* location,
                       const char* synopsis) {
    MediaInfo item;
    memset(&item, 0, sizeof item);
    strncpy(item.title, title, sizeof item.title - 1);
    strncpy(item.location, location, sizeof item.location - 1);
    item.categoryId = categoryId;
    item.mediaType = 0x100; /* a recorded programme: anything outside the live kind 0x3xx */
    const int32_t index = AddMediaInfo(db, &item);
    if (index < 0) return index;
    /* Piece 0, type 0: the synopsis, NUL included so a reader gets a C string. */
    const int32_t stored = SetAddInfo(db, index, 0, (int32_t)(strlen(synopsis) + 1), 0, synopsis);
    return stored < 0 ? stored : index;
}

/* Prints the items that the last query left in a result slot. */
static int PrintSlot(MVDB_HANDLE db, int32_t count, int32_t slot) {
    for (int32_t position = 0; position < count; ++position) {
        MediaInfo item;
        const int32_t result = GetChangedData(db, position, &item, slot);
        if (result < 0) return Fail("GetChangedData", result);
        int32_t size = 0, type = 0;
        char synopsis[256] = "";
        if (GetAddInfoType(db, item.recordIndex, 0, &size, &type) == MVDB_OK && size > 0 &&
            size <= (int32_t)sizeof synopsis) {
            GetAddInfo(db, item.recordIndex, 0, synopsis);
            synopsis[sizeof synopsis - 1] = '\0';
        }
        printf("  item %ld \"%s\" in category %ld%s%s\n", (long)item.recordIndex, item.title,
               (long)item.categoryId, synopsis[0] ? ": " : "", synopsis);
    }
    return 1;
}

static int Run(MVDB_HANDLE db, const char* player) {
    /* 1. The player logs in: its record carries the time of this login. */
    ClientInfo client;
    memset(&client, 0, sizeof client);
    strncpy(client.clientName, player, sizeof client.clientName - 1);
    int32_t result = LoginClient(db, &client);
    if (result < 0) return Fail("LoginClient", result);
    printf("client \"%s\" logged in\n", player);

    /* 2. A category below the Root (id 0). */
    CategoryInfo category;
    memset(&category, 0, sizeof category);
    strncpy(category.categoryName, "Example films", sizeof category.categoryName - 1);
    category.parentId = 0;
    const int32_t categoryId = AddCategoryInfo(db, &category);
    if (categoryId < 0) return Fail("AddCategoryInfo", categoryId);
    printf("added category %ld \"%s\"\n", (long)categoryId, category.categoryName);

    /* 3. Two films in it, each with a synopsis. */
    result = AddFilm(db, categoryId, "Night Harbour", "/srv/films/night-harbour.mkv",
                     "A ferry crosses a harbour at night.");
    if (result < 0) return Fail("adding \"Night Harbour\"", result);
    printf("added item %ld \"Night Harbour\"\n", (long)result);
    result = AddFilm(db, categoryId, "Morning Market", "/srv/films/morning-market.mkv",
                     "Stalls open before sunrise.");
    if (result < 0) return Fail("adding \"Morning Market\"", result);
    printf("added item %ld \"Morning Market\"\n", (long)result);

    /* 4. Find the films whose title contains "harbour", in any case. */
    FindCriteria byTitle;
    memset(&byTitle, 0, sizeof byTitle);
    byTitle.criteriaSize = MVDB_FIND_CRITERIA_SIZE;
    byTitle.criteriaKind = MVDB_CRITERIA_TEXT;
    byTitle.criteriaTarget = MVDB_TARGET_TITLE;
    byTitle.combineRule = MVDB_COMBINE_REQUIRED;
    byTitle.matchMode = MVDB_MATCH_IGNORE_CASE;
    strcpy(byTitle.pattern, "harbour");
    byTitle.next = NULL;
    result = FindMedia(db, 0, &byTitle, kSearchSlot);
    if (result < 0) return Fail("FindMedia", result);
    printf("titles containing \"harbour\": %ld\n", (long)result);
    if (!PrintSlot(db, result, kSearchSlot)) return 0;

    /* 5. What changed since the player's login: both new films. */
    result = CheckChangedDataByName(db, player, kChangesSlot);
    if (result < 0) return Fail("CheckChangedDataByName", result);
    printf("changed since \"%s\" logged in: %ld\n", player, (long)result);
    return PrintSlot(db, result, kChangesSlot);
}

int main(int argc, char** argv) {
    const char* player = argc > 1 ? argv[1] : "living-room-player";
    printf("built against mvdb %s\n", MVDB_VERSION_STRING);
    MVDB_HANDLE db = OpenMVDB();
    if (db == MVDB_INVALID_HANDLE) {
        fprintf(stderr, "catalogue_client: the database cannot be opened (another program has it open?)\n");
        return 1;
    }
    const int ok = Run(db, player);
    CloseMVDB(db);
    return ok ? 0 : 1;
}
