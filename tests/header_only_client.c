/*
 * A client written from include/mvdb.h and docs/file-format.md alone: it
 * opens a database, files an item with additional info into a new category,
 * finds it again three ways, lists what changed, registers a user, and
 * closes. Every step checks the result its contract promises; the program
 * exits 0 only when all of them hold.
 *
 * Usage: header_only_client <empty folder>. Without a Folder key in the
 * configuration the three files and the info files are created in the
 * current folder, so the program works inside the folder it is given.
 */
#define _POSIX_C_SOURCE 200809L
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "mvdb.h"

static int failures = 0;

/* Reports a result that differs from the one expected. */
static void expect(const char* step, int32_t got, int32_t wanted) {
    if (got == wanted) return;
    fprintf(stderr, "%s: got %d (%s), wanted %d (%s)\n", step, (int)got, mvdb_result_text(got), (int)wanted,
            mvdb_result_text(wanted));
    failures++;
}

static void expect_true(const char* step, int holds) {
    if (holds) return;
    fprintf(stderr, "%s: does not hold\n", step);
    failures++;
}

/* A text node over the title, additional info number 0, or both. */
static void text_node(FindCriteria* node, int32_t target, const char* pattern) {
    memset(node, 0, sizeof *node);
    node->criteriaSize = MVDB_FIND_CRITERIA_SIZE; /* not sizeof: 296 on 64-bit */
    node->criteriaKind = MVDB_CRITERIA_TEXT;
    node->criteriaTarget = target;
    node->combineRule = MVDB_COMBINE_REQUIRED;
    node->matchMode = MVDB_MATCH_IGNORE_CASE;
    strncpy(node->pattern, pattern, sizeof node->pattern - 1);
}

/* True when media result slot `slot` holds exactly the item `index`. */
static int slot_holds_only(MVDB_HANDLE db, int32_t slot, int32_t count, int32_t index) {
    MediaInfo copy;
    if (count != 1) return 0;
    if (GetChangedData(db, 0, &copy, slot) != MVDB_OK) return 0;
    return copy.recordIndex == index;
}

static void category_and_item(MVDB_HANDLE db) {
    CategoryInfo category;
    MediaInfo item;
    MediaInfo stored;
    FindCriteria title;
    FindCriteria notes;
    const char note[] = "Recorded at the Proms, second half";
    char buffer[sizeof note + 1];
    int32_t categoryId;
    int32_t index;
    int32_t size = -1;
    int32_t type = -1;
    int32_t found;
    int32_t changed;
    int32_t i;

    /* A category below the Root (position 0). */
    memset(&category, 0, sizeof category);
    strcpy(category.categoryName, "Concerts");
    category.parentId = 0;
    categoryId = AddCategoryInfo(db, &category);
    expect_true("AddCategoryInfo gives an id", categoryId >= 2);
    expect("AddCategoryInfo writes the id back", category.categoryId, categoryId);
    expect("AddCategoryInfo writes the size back", (int32_t)category.recordSize, 592);
    /* The default live-video category takes no items. */
    memset(&item, 0, sizeof item);
    item.categoryId = 1;
    expect("AddMediaInfo into the live-video category", AddMediaInfo(db, &item), MVDB_ERR_ACCESS_DENIED);

    /* An item of this host (hostName left empty: the library fills it in). */
    memset(&item, 0, sizeof item);
    strcpy(item.title, "Symphony No. 9");
    strcpy(item.location, "/srv/media/symphony9.flac");
    strcpy(item.keyName, "symphony9");
    item.categoryId = categoryId;
    item.mediaFlags = MVDB_MEDIA_NOT_NORMAL; /* an add stores 0 */
    index = AddMediaInfo(db, &item);
    expect_true("AddMediaInfo gives an index", index >= 0);
    expect("AddMediaInfo writes the index back", item.recordIndex, index);
    expect("AddMediaInfo writes the flags back", (int32_t)item.mediaFlags, 0);
    expect_true("AddMediaInfo stamps the time", item.updateTime > 0);
    expect("GetMediaInfo", GetMediaInfo(db, index, &stored), MVDB_OK);
    expect_true("the stored item is the one added",
                strcmp(stored.title, "Symphony No. 9") == 0 && strcmp(stored.hostName, item.hostName) == 0);

    /* Additional info: the type must equal the number. */
    expect("SetAddInfo with another type", SetAddInfo(db, index, 0, (int32_t)strlen(note), 3, note),
           MVDB_ERR_OUT_OF_RANGE);
    expect("SetAddInfo", SetAddInfo(db, index, 0, (int32_t)strlen(note), 0, note), MVDB_OK);
    expect("CheckAddInfo", CheckAddInfo(db, index), 1);
    expect("GetAddInfoType", GetAddInfoType(db, index, 0, &size, &type), MVDB_OK);
    expect("GetAddInfoType size", size, (int32_t)strlen(note));
    expect("GetAddInfoType type", type, 0);
    /* A number without a piece is 0 with size 0, not "not found". */
    expect("GetAddInfoType of an empty number", GetAddInfoType(db, index, 5, &size, &type), MVDB_OK);
    expect("GetAddInfoType of an empty number: size", size, 0);
    /* The piece comes back without a NUL: the buffer holds size + 1 bytes. */
    memset(buffer, 'x', sizeof buffer);
    expect("GetAddInfo", GetAddInfo(db, index, 0, buffer), MVDB_OK);
    buffer[strlen(note)] = '\0';
    expect_true("GetAddInfo gives the bytes stored", strcmp(buffer, note) == 0);

    /* Found by key name (NULL: no location to match) ... */
    expect("SearchMedia by key", SearchMedia(db, NULL, "SYMPHONY9"), index);
    expect("SearchMediaNext behind it", SearchMediaNext(db, NULL, "symphony9", index + 1),
           MVDB_ERR_NOT_FOUND);
    /* ... by its title and by its additional info, both required ... */
    text_node(&title, MVDB_TARGET_TITLE, "symphony");
    text_node(&notes, MVDB_TARGET_ADDINFO, "proms");
    title.next = &notes;
    found = FindMedia(db, 0, &title, 7);
    expect_true("FindMedia selects the item alone", slot_holds_only(db, 7, found, index));
    expect("GetChangedData behind the last entry", GetChangedData(db, found, &stored, 7),
           MVDB_ERR_OUT_OF_RANGE);
    strcpy(notes.pattern, "Albert Hall");
    expect("FindMedia when a required node fails", FindMedia(db, 0, &title, 7), 0);
    /* ... and among the items changed since it was added. */
    changed = CheckChangedData(db, item.updateTime, 3);
    expect_true("CheckChangedData finds the item", changed >= 1);
    for (i = 0; i < changed; i++) {
        expect("GetChangedData", GetChangedData(db, i, &stored, 3), MVDB_OK);
        if (stored.recordIndex == index) break;
    }
    expect_true("the change list holds the item", i < changed);
    expect("CheckChangedData with slot 64", CheckChangedData(db, 0, 64), MVDB_ERR_BAD_SLOT);

    /* A category that holds an item cannot be deleted; once it is empty it can. */
    expect("DelCategoryInfo of a used category", DelCategoryInfo(db, categoryId, 0), MVDB_ERR_ACCESS_DENIED);
    expect("DelMediaInfo", DelMediaInfo(db, index), MVDB_OK);
    expect("GetMediaInfo of a deleted item", GetMediaInfo(db, index, &stored), MVDB_ERR_OUT_OF_RANGE);
    expect_true("GetMediaCount still counts it", GetMediaCount(db) > index);
    expect("FindMedia after the delete", FindMedia(db, 0, &title, 7), 0);
    expect("DelCategoryInfo", DelCategoryInfo(db, categoryId, 0), MVDB_OK);
    expect("GetCategoryInfo of a deleted category", GetCategoryInfo(db, categoryId, &category),
           MVDB_ERR_OUT_OF_RANGE);
}

static void clients_and_users(MVDB_HANDLE db) {
    ClientInfo client;
    DBAccount user;
    DBAccount listed;
    int32_t clientIndex;
    int32_t userIndex;

    memset(&client, 0, sizeof client);
    strcpy(client.clientName, "living-room");
    clientIndex = LoginClient(db, &client);
    expect_true("LoginClient of a new client", clientIndex >= 0);
    expect("LoginClient writes the index back", client.recordIndex, clientIndex);
    expect("GetClientInfoByName", GetClientInfoByName(db, "LIVING-ROOM", &client), MVDB_OK);
    expect("GetClientInfoByName of nobody", GetClientInfoByName(db, "kitchen", &client), MVDB_ERR_NOT_FOUND);

    /* User passwords are stored scrambled: scramble the plain text first. */
    memset(&user, 0, sizeof user);
    strcpy(user.userName, "alice");
    strcpy(user.password, "committee");
    user.userLevel = 5; /* 1 would look like a failed login */
    mvdb_scramble_password(&user);
    expect("mvdb_scramble_password sets the length", user.passwordLength, 9);
    userIndex = AddUser(db, &user);
    expect_true("AddUser gives an index", userIndex >= 0);
    expect("LoginUser with the plain password", LoginUser(db, "ALICE", "committee"), 5);
    expect("LoginUser with a wrong password", LoginUser(db, "alice", "Committee"), 1);
    expect("CheckUser", CheckUser(db, 0), 1);
    expect("GetCheckedUser", GetCheckedUser(db, 0, &listed, 0), MVDB_OK);
    expect("GetCheckedUser gives the index", listed.recordIndex, userIndex);
    expect_true("GetCheckedUser gives the name behind the prefix", strcmp(listed.userName, "alice") == 0);
    /* The listed block carries the scrambled password: it goes back as it is. */
    listed.userLevel = 7;
    expect("ModifyUser with the listed block", ModifyUser(db, userIndex, &listed), MVDB_OK);
    expect("LoginUser after ModifyUser", LoginUser(db, "alice", "committee"), 7);
    /* The client functions never hand out a user account. */
    expect("GetClientInfo of a user's index", GetClientInfo(db, userIndex, &client), MVDB_ERR_OUT_OF_RANGE);
    strcpy(client.clientName, "GLOBAL\\alice");
    expect("LoginClient with the user prefix", LoginClient(db, &client), MVDB_ERR_INVALID);
    expect("DelUser", DelUser(db, userIndex), MVDB_OK);
    expect("LoginUser of a deleted user", LoginUser(db, "alice", "committee"), 1);
}

int main(int argc, char** argv) {
    MVDB_HANDLE db;
    if (argc > 1) {
        mkdir(argv[1], 0777);
        if (chdir(argv[1]) != 0) return 1;
    }
    db = OpenMVDB();
    if (db == MVDB_INVALID_HANDLE) {
        fprintf(stderr, "OpenMVDB: the database is open elsewhere\n");
        return 1;
    }
    expect("a second OpenMVDB", OpenMVDB() == MVDB_INVALID_HANDLE, 1);
    expect("InitializeDB", InitializeDB(db), MVDB_OK);
    expect("GetCategoryCount after InitializeDB", GetCategoryCount(db), 2);
    category_and_item(db);
    clients_and_users(db);
    expect("a null handle", GetMediaCount(NULL), MVDB_ERR_INVALID);
    CloseMVDB(db);
    if (failures != 0) fprintf(stderr, "%d failures\n", failures);
    return failures == 0 ? 0 : 1;
}
