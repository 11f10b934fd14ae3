/*
 * mvdb: the catalogue database of a home media server.
 *
 * The public interface: the records that cross it by pointer, with their
 * exact byte layouts, the result codes, and the 46 exported functions.
 * Usable from C99 and C++. On Windows every function is __cdecl and
 * exported from mvdb.dll under its plain name.
 */
#ifndef MVDB_H
#define MVDB_H

#include <stddef.h>
#include <stdint.h>

/* The version of this header and of the library built from it: the one
 * place the version is written. The build reads it from here for the
 * shared library's soname (libmvdb.so.MAJOR), the DLL's version resource,
 * the packages and `mvdb --version`. */
#define MVDB_VERSION_MAJOR 0
#define MVDB_VERSION_MINOR 9
#define MVDB_VERSION_PATCH 0
#define MVDB_VERSION_STRING "0.9.0"

#if defined(_WIN32)
#define MVDB_CALL __cdecl
#if defined(MVDB_BUILDING_LIBRARY)
#define MVDB_API
#else
#define MVDB_API __declspec(dllimport)
#endif
#else
#define MVDB_CALL
#define MVDB_API __attribute__((visibility("default")))
#endif

#if defined(__GNUC__)
#define MVDB_EXTENSION __extension__
#else
#define MVDB_EXTENSION
#endif

#if defined(__cplusplus)
#define MVDB_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define MVDB_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#else
#define MVDB_STATIC_ASSERT_JOIN2(a, b) a##b
#define MVDB_STATIC_ASSERT_JOIN(a, b) MVDB_STATIC_ASSERT_JOIN2(a, b)
#define MVDB_STATIC_ASSERT(cond, msg) \
    typedef char MVDB_STATIC_ASSERT_JOIN(mvdb_static_assert_, __LINE__)[(cond) ? 1 : -1]
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
 * ---- Using this interface -------------------------------------------------
 *
 * Handle. OpenMVDB opens the database and returns the one handle the machine
 * allows at a time; every other function takes it first; CloseMVDB ends it.
 * Every function given a null handle answers MVDB_ERR_INVALID before it looks
 * at anything else (LoginUser answers 1).
 *
 * Results. Every int32_t result is >= 0 on success (0, a count, an index or
 * an id, as the function says) and a negative MVDB_ERR_* code on failure;
 * mvdb_result_text() names a code. A refused call changes nothing.
 *
 * Identity. A record's position in its catalogue is its identifier:
 * CategoryInfo.categoryId, ClientInfo.recordIndex and MediaInfo.recordIndex
 * hold it, and the functions take it as `position` or `index`. Deleting only
 * marks a record (categoryStatus bit MVDB_CATEGORY_DELETED, clientFlags
 * MVDB_CLIENT_DELETED, mediaFlags MVDB_MEDIA_DELETED); the counts include
 * marked records, and a later add reuses a marked position. To list a
 * catalogue, walk 0 .. count-1 and skip what answers MVDB_ERR_OUT_OF_RANGE
 * (clients: what carries clientFlags 4). Position 0 of the categories is the
 * Root; position 1 is initially the live-video category.
 *
 * "Not found" is not the same everywhere:
 *   MVDB_ERR_NOT_FOUND     GetClientInfoByName, CheckChangedDataByName,
 *                          SearchMedia, SearchMediaNext, ModifyMediaInfo (no
 *                          item with that key), GetAddInfo (no piece under
 *                          that number), GetAddInfoType (the piece's file is
 *                          missing, or the inline text is empty)
 *   MVDB_ERR_OUT_OF_RANGE  every read by index, id or slot entry: outside the
 *                          catalogue or the slot, or a deleted record (but
 *                          GetClientInfo returns deleted clients, flagged)
 *   0 and *size == 0       GetAddInfoType for a number that holds no piece
 *   0 (a count)            the Check functions and FindMedia
 *   1                      LoginUser, for every failure
 *
 * Records. Records are copied in and out whole; the caller owns every record
 * and buffer, and the library keeps no pointer beyond the call. Text fields
 * are read up to their NUL or the end of the field, whichever comes first,
 * and every text the library writes is NUL-terminated within its field.
 * Fields the library does not name (caller data) are stored and returned
 * unchanged. A function that stores a record also writes the fields it sets
 * back into the caller's copy; each contract says which.
 *
 * Text. Strings are narrow and NUL-terminated in the system's multibyte code
 * page, Windows-1252 or Shift-JIS (932); on POSIX MVDB_CODEPAGE or the locale
 * chooses it. Names, locations, key names and host names are compared whole
 * and without regard to case, character by character in that code page;
 * passwords are compared with case.
 *
 * Users and clients. User accounts are records of the client catalogue named
 * "global\<user>". The client functions never create, change or return them;
 * the user functions (AddUser ... GetCheckedUser) manage them. User passwords
 * are stored scrambled: see mvdb_scramble_password().
 *
 * Hosts. The server's host name comes from the configuration (HostMan key,
 * value HostName; "Unknown" when the key lacks the value, empty without the
 * key). AddMediaInfo stamps it on items that carry none; SearchMedia,
 * SearchMediaNext, CheckChangedData, CheckChangedDataByName, CheckNormalData
 * and CheckCategorizedData (except for category 1) see only items whose
 * hostName equals it. FindMedia sees every host's items.
 *
 * Result slots. Each catalogue (categories, clients and users, media) has
 * MVDB_RESULT_SLOTS slots, numbered 0 .. 63, separate from the other
 * catalogues' slots. A Check function (or FindMedia) rebuilds the slot it is
 * given and returns how many entries it holds; the matching Get function
 * then reads entries 0 .. n-1 of the same slot number. A slot keeps its
 * entries until the next fill of the same number. Media slots hold copies
 * taken at the fill; category and user slots hold positions, read afresh by
 * the Get function.
 *
 * Threads. Any thread may call any function at any time, except that
 * OpenMVDB, CloseMVDB and InitializeDB must not overlap any other call on the
 * handle: the caller serialises those. Callers that work with result slots at
 * the same time must use different slot numbers: a fill replaces a slot under
 * whoever is reading it.
 *
 * Durability. When a function that changes the database answers success,
 * the change is on disk and survives a crash or a power cut. When the change
 * cannot be written it answers MVDB_ERR_WRITE and nothing has changed, in
 * memory or on disk; the next change works once the fault is gone.
 *
 * The stored files are described in docs/file-format.md.
 */

/* ---- Result codes --------------------------------------------------- */

#define MVDB_OK 0
/* A null handle, a required pointer that is null, a client name with the user
 * prefix, or OpenMVDB refused. */
#define MVDB_ERR_INVALID (-1)
/* Nothing bears that name or matches that search; an additional-info piece
 * or its file is missing. */
#define MVDB_ERR_NOT_FOUND (-3)
/* An index, id, info number or slot entry outside its range, a deleted
 * record, a category that does not exist, or a user account's index given to
 * a client function. */
#define MVDB_ERR_OUT_OF_RANGE (-4)
/* Null record given to a replace, or no memory for a new media element. */
#define MVDB_ERR_NO_RECORD (-6)
/* The account block of a file is damaged (internal; never returned by an export). */
#define MVDB_ERR_BAD_ACCOUNT (-12)
/* A change could not be written to disk; nothing changed. */
#define MVDB_ERR_WRITE (-13)
/* An info file holds fewer bytes than recorded. */
#define MVDB_ERR_SHORT_READ (-15)
/* A media result-slot number outside 0 to 63 (category and user slots answer
 * MVDB_ERR_OUT_OF_RANGE instead). */
#define MVDB_ERR_BAD_SLOT (-16)
/* A category's access flags or the rules of the tree forbid the operation. */
#define MVDB_ERR_ACCESS_DENIED (-18)
/* A media item's info area is in neither of its two modes. */
#define MVDB_ERR_INFO_MODE (-19)

/*
 * mvdb_result_text: a short English text for a result code, for messages and
 * logs. Any value >= 0 is a success; an unknown negative value gives
 * "unknown result code". The text is a string constant: do not free it.
 */
static inline const char* mvdb_result_text(int32_t result) {
    if (result >= 0) return "success";
    switch (result) {
        case MVDB_ERR_INVALID:
            return "invalid handle or argument";
        case MVDB_ERR_NOT_FOUND:
            return "not found";
        case MVDB_ERR_OUT_OF_RANGE:
            return "out of range or deleted";
        case MVDB_ERR_NO_RECORD:
            return "no record or no memory";
        case MVDB_ERR_BAD_ACCOUNT:
            return "damaged account block";
        case MVDB_ERR_WRITE:
            return "write failed";
        case MVDB_ERR_SHORT_READ:
            return "info file shorter than recorded";
        case MVDB_ERR_BAD_SLOT:
            return "result slot outside 0 to 63";
        case MVDB_ERR_ACCESS_DENIED:
            return "refused by category access flags";
        case MVDB_ERR_INFO_MODE:
            return "damaged info area";
        default:
            return "unknown result code";
    }
}

/* ---- Handle ----------------------------------------------------------- */

typedef struct MvdbDatabase_* MVDB_HANDLE;
/* What OpenMVDB returns when no handle was created: all bits set. */
#define MVDB_INVALID_HANDLE ((MVDB_HANDLE)(intptr_t)-1)

#define MVDB_RESULT_SLOTS 64

/* ---- Records ---------------------------------------------------------- */

/* A 64-bit count of 100-ns intervals since 1601-01-01 UTC, low word first. */
typedef struct MVDB_FILETIME {
    uint32_t lowDateTime;
    uint32_t highDateTime;
} MVDB_FILETIME;

/* The database account, and the exchange form of one user account. 144 bytes. */
typedef struct DBAccount {
    char userName[64];      /* NUL-terminated, at most 63 bytes */
    char password[60];      /* plain in memory, scrambled in files and user records */
    int32_t passwordLength; /* bytes of the password; what unscrambling uses */
    int32_t scrambled;      /* 1 after scrambling, 0 after unscrambling */
    int32_t reserved;       /* always 0 */
    int32_t userLevel;      /* user accounts: what LoginUser returns */
    int32_t recordIndex;    /* user accounts: the user's record index */
} DBAccount;

/* Access flag bits of a category. */
#define MVDB_CATEGORY_SYSTEM 0x1u
#define MVDB_CATEGORY_REPLACE_IS_MOVE 0x10u
#define MVDB_CATEGORY_NO_MEDIA_REMOVAL 0x20u
#define MVDB_CATEGORY_NO_MEDIA_ADDITION 0x40u
#define MVDB_CATEGORY_LIVE_VIDEO 0x1000u
/* categoryStatus bit of a deleted category. */
#define MVDB_CATEGORY_DELETED 0x4u

/* One category of the tree. 592 bytes. */
typedef struct CategoryInfo {
    uint32_t recordSize;     /* 592; set by the library */
    int32_t categoryId;      /* equals the category's position */
    char categoryName[520];  /* NUL-terminated name */
    uint32_t categoryStatus; /* bit 0x4: deleted */
    int32_t parentId;        /* -1 in the Root */
    uint32_t accessFlags;    /* MVDB_CATEGORY_* bits */
    uint8_t categoryData[52];
} CategoryInfo;

/* clientFlags value of a deleted client or user. */
#define MVDB_CLIENT_DELETED 4

/* One registered client or user account. 212 bytes. */
typedef struct ClientInfo {
    int32_t recordSize; /* 212; set by the library */
    uint8_t clientData0[8];
    char clientName[64]; /* key of every name lookup; users: "global\<name>" */
    int32_t loginTime;   /* seconds since 1970-01-01 UTC */
    uint8_t clientData1[4];
    int32_t clientFlags; /* 0 live, 4 deleted */
    int32_t recordIndex; /* the record's own position */
    uint8_t clientData2[4];
    uint8_t clientData3[116]; /* users: scrambled password, its length, level */
} ClientInfo;

/* mediaFlags values. */
#define MVDB_MEDIA_DELETED 4u
#define MVDB_MEDIA_NOT_NORMAL 8u
#define MVDB_MEDIA_CATEGORY_NEUTRAL 16u
/* mediaType & MVDB_MEDIA_KIND_MASK == MVDB_MEDIA_KIND_LIVE marks a live input. */
#define MVDB_MEDIA_KIND_MASK 0xFF00u
#define MVDB_MEDIA_KIND_LIVE 0x300u
/* inputKind of a live input. */
#define MVDB_INPUT_TUNER 0u
#define MVDB_INPUT_COMPOSITE 1u
#define MVDB_INPUT_SVIDEO 2u

/* One media item as it crosses the interface. 960 bytes. */
typedef struct MediaInfo {
    uint32_t recordSize; /* 960; set by the library */
    char title[260];
    char location[260];
    char keyName[260];
    char hostName[64];
    int32_t updateTime;  /* seconds since 1970-01-01 UTC */
    uint32_t mediaFlags; /* MVDB_MEDIA_* values */
    int32_t categoryId;
    uint32_t rangeProperty;
    uint8_t callerData0[8];
    uint32_t property64A[2];
    uint32_t propertyPairA;
    uint32_t propertyPairB;
    uint32_t mediaType;
    int32_t recordIndex; /* the item's slot index: its identifier */
    uint32_t propertyA;
    uint32_t propertyB;
    MVDB_FILETIME fileTimeA;
    MVDB_FILETIME fileTimeB;
    uint32_t property64B[2];
    int32_t channel;    /* live tuner channel number */
    uint32_t cable;     /* live tuner: nonzero for cable numbering */
    uint32_t inputKind; /* MVDB_INPUT_* */
    uint8_t callerData1[20];
} MediaInfo;

/* FindCriteria kinds, targets, combine rules and text match modes. */
#define MVDB_CRITERIA_TEXT 0
#define MVDB_CRITERIA_DATE 1
#define MVDB_CRITERIA_RANGE 2
#define MVDB_TARGET_TITLE 1
#define MVDB_TARGET_LOCATION_OR_KEY 2
#define MVDB_TARGET_ADDINFO 4
#define MVDB_TARGET_FILETIME_A 1
#define MVDB_TARGET_FILETIME_B 2
#define MVDB_COMBINE_SUFFICIENT 0
#define MVDB_COMBINE_REQUIRED 1
#define MVDB_MATCH_IGNORE_CASE 1
#define MVDB_MATCH_SKIP_IGNORABLE 2
#define MVDB_MATCH_IGNORE_WIDTH 4

/* One node of a FindMedia criteria list. 292 bytes on the 32-bit target. */
typedef struct FindCriteria {
    int32_t criteriaSize; /* MVDB_FIND_CRITERIA_SIZE on every target, not sizeof */
    int32_t criteriaKind; /* MVDB_CRITERIA_* */
    int32_t criteriaTarget;
    int32_t classFilter;
    int32_t combineRule; /* MVDB_COMBINE_* */
    int32_t matchMode;   /* MVDB_MATCH_* bits */
    uint8_t reserved[4];
    MVDB_EXTENSION union {
        char pattern[260];
        MVDB_EXTENSION struct {
            MVDB_FILETIME timeFrom;
            MVDB_FILETIME timeTo;
            uint32_t weekdayMask;
        };
        MVDB_EXTENSION struct {
            uint32_t rangeMin;
            uint32_t rangeMax;
        };
    };
    struct FindCriteria* next;
} FindCriteria;

#define MVDB_FIND_CRITERIA_SIZE 292

MVDB_STATIC_ASSERT(sizeof(MVDB_FILETIME) == 8, "FILETIME is 8 bytes");
MVDB_STATIC_ASSERT(sizeof(DBAccount) == 144, "DBAccount is 144 bytes");
MVDB_STATIC_ASSERT(offsetof(DBAccount, password) == 64, "DBAccount.password");
MVDB_STATIC_ASSERT(offsetof(DBAccount, passwordLength) == 124, "DBAccount.passwordLength");
MVDB_STATIC_ASSERT(offsetof(DBAccount, userLevel) == 136, "DBAccount.userLevel");
MVDB_STATIC_ASSERT(offsetof(DBAccount, recordIndex) == 140, "DBAccount.recordIndex");
MVDB_STATIC_ASSERT(sizeof(CategoryInfo) == 592, "CategoryInfo is 592 bytes");
MVDB_STATIC_ASSERT(offsetof(CategoryInfo, categoryName) == 8, "CategoryInfo.categoryName");
MVDB_STATIC_ASSERT(offsetof(CategoryInfo, categoryStatus) == 528, "CategoryInfo.categoryStatus");
MVDB_STATIC_ASSERT(offsetof(CategoryInfo, parentId) == 532, "CategoryInfo.parentId");
MVDB_STATIC_ASSERT(offsetof(CategoryInfo, accessFlags) == 536, "CategoryInfo.accessFlags");
MVDB_STATIC_ASSERT(sizeof(ClientInfo) == 212, "ClientInfo is 212 bytes");
MVDB_STATIC_ASSERT(offsetof(ClientInfo, clientName) == 12, "ClientInfo.clientName");
MVDB_STATIC_ASSERT(offsetof(ClientInfo, loginTime) == 76, "ClientInfo.loginTime");
MVDB_STATIC_ASSERT(offsetof(ClientInfo, clientFlags) == 84, "ClientInfo.clientFlags");
MVDB_STATIC_ASSERT(offsetof(ClientInfo, recordIndex) == 88, "ClientInfo.recordIndex");
MVDB_STATIC_ASSERT(offsetof(ClientInfo, clientData3) == 96, "ClientInfo user data");
MVDB_STATIC_ASSERT(sizeof(MediaInfo) == 960, "MediaInfo is 960 bytes");
MVDB_STATIC_ASSERT(offsetof(MediaInfo, location) == 264, "MediaInfo.location");
MVDB_STATIC_ASSERT(offsetof(MediaInfo, keyName) == 524, "MediaInfo.keyName");
MVDB_STATIC_ASSERT(offsetof(MediaInfo, hostName) == 784, "MediaInfo.hostName");
MVDB_STATIC_ASSERT(offsetof(MediaInfo, updateTime) == 848, "MediaInfo.updateTime");
MVDB_STATIC_ASSERT(offsetof(MediaInfo, categoryId) == 856, "MediaInfo.categoryId");
MVDB_STATIC_ASSERT(offsetof(MediaInfo, property64A) == 872, "MediaInfo.property64A");
MVDB_STATIC_ASSERT(offsetof(MediaInfo, mediaType) == 888, "MediaInfo.mediaType");
MVDB_STATIC_ASSERT(offsetof(MediaInfo, recordIndex) == 892, "MediaInfo.recordIndex");
MVDB_STATIC_ASSERT(offsetof(MediaInfo, fileTimeA) == 904, "MediaInfo.fileTimeA");
MVDB_STATIC_ASSERT(offsetof(MediaInfo, fileTimeB) == 912, "MediaInfo.fileTimeB");
MVDB_STATIC_ASSERT(offsetof(MediaInfo, channel) == 928, "MediaInfo.channel");
MVDB_STATIC_ASSERT(offsetof(MediaInfo, inputKind) == 936, "MediaInfo.inputKind");
MVDB_STATIC_ASSERT(offsetof(FindCriteria, pattern) == 28, "FindCriteria.pattern");
MVDB_STATIC_ASSERT(offsetof(FindCriteria, timeTo) == 36, "FindCriteria.timeTo");
MVDB_STATIC_ASSERT(offsetof(FindCriteria, weekdayMask) == 44, "FindCriteria.weekdayMask");
MVDB_STATIC_ASSERT(offsetof(FindCriteria, rangeMax) == 32, "FindCriteria.rangeMax");
MVDB_STATIC_ASSERT(offsetof(FindCriteria, next) == 288, "FindCriteria.next");
MVDB_STATIC_ASSERT(sizeof(void*) != 4 || sizeof(FindCriteria) == MVDB_FIND_CRITERIA_SIZE,
                   "FindCriteria is 292 bytes on the 32-bit target");

/* ---- Password scrambling --------------------------------------------- */

/* The one-byte seed of the password scrambling. It is part of the file
 * format: every stored account and user password depends on it. */
#define MVDB_PASSWORD_SEED 0xA7

/*
 * mvdb_scramble_password: scramble the plain password in account->password in
 * place, as AddUser and ModifyUser expect it, and set passwordLength to its
 * length and scrambled to 1.
 *
 * The plain text is read up to its NUL, at most 59 bytes. Byte i becomes
 * plain[i] XOR plain[i - 1], the first plain[0] XOR MVDB_PASSWORD_SEED, and a
 * NUL follows the n scrambled bytes. A scrambled password may contain zero
 * bytes (two equal neighbours), so only passwordLength tells its length:
 * call this once, on plain text, and never measure the result with strlen.
 * SetDBAccount and LoginUser take plain text and need no scrambling.
 */
static inline void mvdb_scramble_password(DBAccount* account) {
    unsigned char previous = (unsigned char)MVDB_PASSWORD_SEED;
    int32_t n = 0;
    int32_t i;
    while (n < (int32_t)sizeof(account->password) - 1 && account->password[n] != '\0') n++;
    for (i = 0; i < n; i++) {
        const unsigned char plain = (unsigned char)account->password[i];
        account->password[i] = (char)(plain ^ previous);
        previous = plain;
    }
    account->password[n] = '\0';
    account->passwordLength = n;
    account->scrambled = 1;
}

/* ---- Handle and reset ------------------------------------------------- */

/*
 * OpenMVDB: open the database; the handle every other function takes.
 *
 * Returns the handle, or MVDB_INVALID_HANDLE (all bits set, never NULL) when
 * another handle is open on this machine (in this process or another), when
 * the changes a crash left in the journal cannot be replayed, or when the
 * handle cannot be built. Opening builds the three catalogues from
 * their files (locations: see docs/file-format.md); a missing file is created
 * with the default content: the Root and the live-video category, the default
 * live inputs, no clients. A file whose header cannot be read is kept aside,
 * never overwritten, and a fresh one is started. A file that cannot be opened
 * at all leaves its catalogue working in memory only: the open still succeeds.
 * Only one process writes a database's files: a second opener of the same
 * files while their writer is open works in memory only.
 * The writer reads only the headers at open; each block of records is read
 * the first time a call reaches it. Should the disk then fail to give a
 * block back, its unreadable records answer as blank and every later change
 * of that catalogue answers MVDB_ERR_WRITE: the file is never written over.
 * Threads: must not overlap any other call; one handle per machine.
 */
MVDB_API MVDB_HANDLE MVDB_CALL OpenMVDB(void);

/*
 * CloseMVDB: close the handle and free everything it holds.
 *
 * NULL and MVDB_INVALID_HANDLE are ignored. Every acknowledged change is
 * already durable; closing brings the three files up to date with the
 * journal and removes it. The handle must not be used afterwards; the next
 * OpenMVDB succeeds.
 * Threads: must not overlap any other call on the handle.
 */
MVDB_API void MVDB_CALL CloseMVDB(MVDB_HANDLE handle);

/*
 * InitializeDB: reset the whole database to its initial content.
 *
 * Afterwards the categories are the Root and the live-video category, the
 * media are the default live inputs (indexes start again at 0), every file in
 * the info folder is deleted, and there are no clients and no users. The
 * database account is kept. Result slots keep what they hold, but entries that
 * name positions may no longer exist (their Get functions answer
 * MVDB_ERR_OUT_OF_RANGE).
 * Results: 0; MVDB_ERR_INVALID for a null handle; MVDB_ERR_WRITE.
 * Threads: must not overlap any other call on the handle.
 */
MVDB_API int32_t MVDB_CALL InitializeDB(MVDB_HANDLE handle);

/* ---- Database account ------------------------------------------------- */

/*
 * GetDBAccount: read the database account.
 *
 * Fills account->userName and account->password (plain text, NUL-terminated)
 * and sets account->passwordLength to the password's length in bytes. The
 * fields from byte 128 on (scrambled, reserved, userLevel, recordIndex) are
 * left as they were.
 * Results: 0; MVDB_ERR_INVALID for a null handle or account.
 */
MVDB_API int32_t MVDB_CALL GetDBAccount(MVDB_HANDLE handle, DBAccount* account);

/*
 * SetDBAccount: set the database account (user name and password).
 *
 * Takes account->userName (at most 63 bytes) and account->password (plain
 * text, at most 59 bytes; longer texts are cut to their fields) and sets the
 * stored passwordLength to the length of the password text: the caller's
 * passwordLength, scrambled, userLevel and recordIndex are ignored. The
 * account is written, scrambled, into the headers of the three files before
 * the call returns, so the next OpenMVDB reads it back.
 * Results: 0; MVDB_ERR_INVALID for a null handle or account; MVDB_ERR_WRITE
 * (the former account stays, in memory and in the files).
 */
MVDB_API int32_t MVDB_CALL SetDBAccount(MVDB_HANDLE handle, const DBAccount* account);

/* ---- Categories ------------------------------------------------------- */

/*
 * GetCategoryCount: the number of category positions, deleted ones included.
 *
 * Valid positions are 0 .. count-1; a deleted one answers
 * MVDB_ERR_OUT_OF_RANGE from GetCategoryInfo. 0 for an empty catalogue.
 * Results: the count (>= 0); MVDB_ERR_INVALID for a null handle.
 */
MVDB_API int32_t MVDB_CALL GetCategoryCount(MVDB_HANDLE handle);

/*
 * GetCategoryInfo: copy the live category at `position` (its id) into *info.
 *
 * Results: 0; MVDB_ERR_INVALID for a null handle or info;
 * MVDB_ERR_OUT_OF_RANGE when position is negative, not below the count, or a
 * deleted category.
 */
MVDB_API int32_t MVDB_CALL GetCategoryInfo(MVDB_HANDLE handle, int32_t position, CategoryInfo* info);

/*
 * AddCategoryInfo: add a category below info->parentId.
 *
 * The new category takes the lowest deleted position from 1 on, else the
 * position behind the last; its id is that position. Names need not be unique;
 * accessFlags, categoryName and categoryData are stored as given.
 * Writes back into *info: recordSize (592), categoryId (the new id), and
 * categoryStatus (0 when it had the deleted bit 0x4).
 * Results: the new id (>= 1); MVDB_ERR_INVALID for a null handle or info;
 * MVDB_ERR_OUT_OF_RANGE when parentId names no live category;
 * MVDB_ERR_ACCESS_DENIED when the parent is a system category
 * (MVDB_CATEGORY_SYSTEM) other than the Root, which accepts children whatever
 * its flags; MVDB_ERR_WRITE.
 */
MVDB_API int32_t MVDB_CALL AddCategoryInfo(MVDB_HANDLE handle, CategoryInfo* info);

/*
 * DelCategoryInfo: delete the category at `position`.
 *
 * mode 1 also deletes every live category below it (system categories below
 * stay, their own children are still deleted); mode 2 hands its children to
 * its parent; any other mode deletes only a category without live children.
 * In modes 1 and 2, media items left in a category that no longer exists
 * (category-neutral items of the deleted categories included) are re-filed
 * into the deleted category's parent, or, when that no longer exists, into
 * its nearest existing ancestor, else the Root; the receiving category's
 * access flags are not tested. In other modes a category-neutral item keeps
 * naming the deleted category (it can still be deleted or re-filed).
 * Results: 0; MVDB_ERR_INVALID for a null handle; MVDB_ERR_OUT_OF_RANGE when
 * position is out of range, already deleted, or 0 (the Root, when no refusal
 * below applies first); MVDB_ERR_ACCESS_DENIED when the category is a system
 * category, holds a media item that is neither deleted nor category-neutral
 * (MVDB_MEDIA_CATEGORY_NEUTRAL), or has a live child while mode is neither 1
 * nor 2; MVDB_ERR_WRITE (nothing is deleted or re-filed).
 */
MVDB_API int32_t MVDB_CALL DelCategoryInfo(MVDB_HANDLE handle, int32_t position, int32_t mode);

/*
 * ReplaceCategoryInfo: replace the category at `position` with *info.
 *
 * All 592 bytes are stored as given except categoryId (set to position) and
 * recordSize (592). Nothing else is tested: parentId may name any value, and a
 * categoryStatus with the bit MVDB_CATEGORY_DELETED deletes the category
 * without any of the tests of DelCategoryInfo. The system bit can be set but
 * never taken off again.
 * Writes back into *info: categoryId (position).
 * Results: 0; MVDB_ERR_INVALID for a null handle or info;
 * MVDB_ERR_OUT_OF_RANGE when position is out of range, deleted, or 0 (the
 * Root); MVDB_ERR_ACCESS_DENIED when the stored category is a system category;
 * MVDB_ERR_WRITE.
 */
MVDB_API int32_t MVDB_CALL ReplaceCategoryInfo(MVDB_HANDLE handle, int32_t position, CategoryInfo* info);

/*
 * CheckChildCategory: list the live children of the category at `position`
 * into category result slot `slot`; read them with GetCheckedCategory.
 *
 * The range of position is tested, not whether it is deleted (a deleted
 * category lists its former children that are still live).
 * Results: the number of children (>= 0; 0 leaves the slot empty);
 * MVDB_ERR_INVALID for a null handle; MVDB_ERR_OUT_OF_RANGE when position is
 * out of range or slot is outside 0 .. 63.
 */
MVDB_API int32_t MVDB_CALL CheckChildCategory(MVDB_HANDLE handle, int32_t position, int32_t slot);

/*
 * GetCheckedCategory: copy the category listed as entry n of category result
 * slot `slot` (filled by CheckChildCategory) into *info.
 *
 * The category is read as it is now, which may be deleted by now: check
 * info->categoryStatus for MVDB_CATEGORY_DELETED.
 * Results: 0; MVDB_ERR_INVALID for a null handle or info;
 * MVDB_ERR_OUT_OF_RANGE when slot is outside 0 .. 63, n is outside the slot,
 * or the listed position no longer exists (after a reset).
 */
MVDB_API int32_t MVDB_CALL GetCheckedCategory(MVDB_HANDLE handle, int32_t n, CategoryInfo* info,
                                              int32_t slot);

/*
 * GetCategoryAccessFlag: store the accessFlags of the live category at
 * `position` in *flags (MVDB_CATEGORY_* bits).
 *
 * Results: 0; MVDB_ERR_INVALID for a null handle or flags;
 * MVDB_ERR_OUT_OF_RANGE when position is out of range or deleted.
 */
MVDB_API int32_t MVDB_CALL GetCategoryAccessFlag(MVDB_HANDLE handle, int32_t position, uint32_t* flags);

/* ---- Clients ---------------------------------------------------------- */

/*
 * AddClientInfo: register a client, or update the one of the same name.
 *
 * A live client whose clientName equals info->clientName (without regard to
 * case) is overwritten in place; else the last deleted one of that name is
 * revived; else the record is appended. The stored loginTime is the time of
 * the call; everything else is stored as given.
 * Writes back into *info: recordSize (212), clientFlags (0), recordIndex, and
 * loginTime when the record is appended.
 * Results: the client's index (>= 0); MVDB_ERR_INVALID for a null handle or
 * info, or a clientName that starts with the user prefix "global\" in any
 * letter case (those names belong to user accounts: use AddUser);
 * MVDB_ERR_WRITE.
 */
MVDB_API int32_t MVDB_CALL AddClientInfo(MVDB_HANDLE handle, ClientInfo* info);

/*
 * DelClientInfo: mark the client at `index` deleted (clientFlags becomes 4).
 *
 * The position stays; deleting a deleted client succeeds again.
 * Results: 0; MVDB_ERR_INVALID for a null handle; MVDB_ERR_OUT_OF_RANGE when
 * index is out of range or holds a user account (use DelUser);
 * MVDB_ERR_WRITE.
 */
MVDB_API int32_t MVDB_CALL DelClientInfo(MVDB_HANDLE handle, int32_t index);

/*
 * ReplaceClientInfo: replace the client at `index` with *info.
 *
 * Everything is stored as given, clientFlags and loginTime included, except
 * recordSize (212) and recordIndex (index): a replace can thus revive a
 * deleted client or delete a live one, and the name may become another
 * client's.
 * Writes back into *info: recordIndex (index).
 * Results: 0; MVDB_ERR_INVALID for a null handle or a clientName with the
 * user prefix "global\" in any letter case; MVDB_ERR_NO_RECORD for a null info
 * (tested before the index); MVDB_ERR_OUT_OF_RANGE when index is out of range
 * or holds a user account; MVDB_ERR_WRITE.
 */
MVDB_API int32_t MVDB_CALL ReplaceClientInfo(MVDB_HANDLE handle, int32_t index, ClientInfo* info);

/*
 * GetClientCount: the number of positions in the client catalogue: deleted
 * clients and user accounts included (user accounts are stored there too).
 *
 * Results: the count (>= 0); MVDB_ERR_INVALID for a null handle.
 */
MVDB_API int32_t MVDB_CALL GetClientCount(MVDB_HANDLE handle);

/*
 * GetClientInfo: copy the client at `index` into *info, deleted or not (a
 * deleted client has clientFlags 4).
 *
 * Results: 0; MVDB_ERR_INVALID for a null handle or info;
 * MVDB_ERR_OUT_OF_RANGE when index is out of range or holds a user account
 * (read those with CheckUser and GetCheckedUser).
 */
MVDB_API int32_t MVDB_CALL GetClientInfo(MVDB_HANDLE handle, int32_t index, ClientInfo* info);

/*
 * GetClientInfoByName: copy the first client, in index order, whose clientName
 * equals `name` without regard to case, deleted clients included, into *info.
 *
 * Results: 0; MVDB_ERR_INVALID for a null handle, or a null info when a
 * client was found; MVDB_ERR_NOT_FOUND when no client bears the name, name is
 * NULL, or name carries the user prefix "global\" (user accounts are never
 * returned here).
 */
MVDB_API int32_t MVDB_CALL GetClientInfoByName(MVDB_HANDLE handle, const char* name, ClientInfo* info);

/*
 * LoginClient: record that a client has logged in.
 *
 * Sets info->loginTime to the current time, then stores the whole record: over
 * the first client of that name (deleted ones included, which the caller's
 * clientFlags 0 revives) as ReplaceClientInfo does, else as a new client as
 * AddClientInfo does.
 * Writes back into *info: loginTime, recordIndex, and what AddClientInfo
 * writes back when the client is new.
 * Results: 0 when the client existed (its index is then in info->recordIndex),
 * the new index when it did not (0 too for the first client of an empty
 * catalogue: read info->recordIndex in both cases); MVDB_ERR_INVALID for a
 * null handle or info, or a clientName with the user prefix "global\" in any
 * letter case; MVDB_ERR_WRITE.
 */
MVDB_API int32_t MVDB_CALL LoginClient(MVDB_HANDLE handle, ClientInfo* info);

/*
 * CheckChangedDataByName: CheckChangedData for a client: fills media result
 * slot `slot` with this host's live items changed at or after the loginTime
 * of the client named `name` (found as GetClientInfoByName finds it).
 *
 * Results: the number of items (>= 0); MVDB_ERR_INVALID for a null handle;
 * MVDB_ERR_NOT_FOUND when no client bears the name (the slot is untouched);
 * MVDB_ERR_BAD_SLOT when slot is outside 0 .. 63.
 */
MVDB_API int32_t MVDB_CALL CheckChangedDataByName(MVDB_HANDLE handle, const char* name, int32_t slot);

/* ---- Users ------------------------------------------------------------ */

/*
 * AddUser: add a user account, or update the user of the same name.
 *
 * A user is a record of the client catalogue named "global\" + userName.
 * Takes account->userName (at most 56 bytes), the 60 bytes of
 * account->password, account->passwordLength and account->userLevel.
 * The password must already be SCRAMBLED: the library stores the bytes as
 * given and LoginUser unscrambles them with passwordLength. Use
 * mvdb_scramble_password() below on the plain text first.
 * A live user of that name (without regard to case) is overwritten, a deleted
 * one revived, else the user is appended. Nothing is written back.
 * Results: the user's index (>= 0, the position DelUser and ModifyUser take);
 * MVDB_ERR_INVALID for a null handle or account; MVDB_ERR_OUT_OF_RANGE for a
 * user name longer than 56 bytes; MVDB_ERR_WRITE.
 */
MVDB_API int32_t MVDB_CALL AddUser(MVDB_HANDLE handle, DBAccount* account);

/*
 * DelUser: mark the user account at `index` deleted.
 *
 * Deleting a deleted user succeeds again.
 * Results: 0; MVDB_ERR_INVALID for a null handle; MVDB_ERR_OUT_OF_RANGE when
 * index is out of range or holds no user account; MVDB_ERR_WRITE.
 */
MVDB_API int32_t MVDB_CALL DelUser(MVDB_HANDLE handle, int32_t index);

/*
 * ModifyUser: replace the user account at `index` (deleted or not) with
 * *account.
 *
 * As AddUser, the password must already be scrambled: a block read with
 * GetCheckedUser can be passed back unchanged. The record is replaced whole:
 * the name may change (no test against other users), the user becomes live,
 * and its loginTime becomes 0. Nothing is written back.
 * Results: 0; MVDB_ERR_INVALID for a null handle or account;
 * MVDB_ERR_OUT_OF_RANGE when index is out of range, holds no user account, or
 * the user name is longer than 56 bytes; MVDB_ERR_WRITE.
 */
MVDB_API int32_t MVDB_CALL ModifyUser(MVDB_HANDLE handle, int32_t index, DBAccount* account);

/*
 * LoginUser: check a user's PLAIN password.
 *
 * The user name is compared without regard to case, the password with case.
 * Nothing is recorded.
 * Results: the user's userLevel on success; 1 on every failure: null handle,
 * name or password, no live user of that name, wrong password. A user whose
 * level is 1 cannot be told from a failure: give users other levels.
 */
MVDB_API int32_t MVDB_CALL LoginUser(MVDB_HANDLE handle, const char* userName, const char* password);

/*
 * CheckUser: list the live user accounts, in index order, into client result
 * slot `slot`; read them with GetCheckedUser.
 *
 * Results: the number of users (>= 0); MVDB_ERR_INVALID for a null handle;
 * MVDB_ERR_OUT_OF_RANGE (not MVDB_ERR_BAD_SLOT) when slot is outside 0 .. 63.
 */
MVDB_API int32_t MVDB_CALL CheckUser(MVDB_HANDLE handle, int32_t slot);

/*
 * GetCheckedUser: read the user listed as entry `position` of client result
 * slot `slot` (filled by CheckUser) into *account.
 *
 * The block is zeroed, then filled: userName (without the prefix), password
 * (the SCRAMBLED bytes as stored), passwordLength, userLevel and recordIndex
 * (the user's index); scrambled stays 0 although the password is scrambled.
 * The user is read as it is now.
 * Results: 0; MVDB_ERR_INVALID for a null handle, or a null account when the
 * entry is a live user; MVDB_ERR_OUT_OF_RANGE when slot is outside 0 .. 63,
 * position is outside the slot, or the listed record is no longer a live user.
 */
MVDB_API int32_t MVDB_CALL GetCheckedUser(MVDB_HANDLE handle, int32_t position, DBAccount* account,
                                          int32_t slot);

/* ---- Media changes ---------------------------------------------------- */

/*
 * AddMediaInfo: add a media item to category info->categoryId.
 *
 * The item takes the first deleted index, else the index behind the last; the
 * index is its identifier. All 960 bytes are stored as given except the
 * fields written back; the item starts without additional info. For a live
 * input (mediaType & MVDB_MEDIA_KIND_MASK == MVDB_MEDIA_KIND_LIVE) the stored
 * location is built from inputKind, channel and cable ("LIVE:TV5",
 * "LIVE:CATV5", "LIVE:COMP", "LIVE:SVIDEO", "LIVE"), while the caller's copy
 * keeps its own.
 * Writes back into *info: recordSize (960), hostName (this server's host name
 * when it was empty), mediaFlags (0), updateTime (now), recordIndex (the
 * index).
 * Results: the index (>= 0); MVDB_ERR_INVALID for a null handle or info;
 * MVDB_ERR_OUT_OF_RANGE when the category is not a live category;
 * MVDB_ERR_ACCESS_DENIED when its flags have MVDB_CATEGORY_NO_MEDIA_ADDITION
 * (as the default live-video category has); MVDB_ERR_NO_RECORD when there is
 * no memory for another item; MVDB_ERR_WRITE.
 */
MVDB_API int32_t MVDB_CALL AddMediaInfo(MVDB_HANDLE handle, MediaInfo* info);

/*
 * DelMediaInfo: delete the media item at `index`.
 *
 * mediaFlags becomes exactly MVDB_MEDIA_DELETED (other bits cleared), the
 * item's additional info and its info files are removed, and the index is
 * reused by the next add. An item whose category no longer exists can always
 * be deleted.
 * Results: 0; MVDB_ERR_INVALID for a null handle; MVDB_ERR_OUT_OF_RANGE when
 * index is out of range or already deleted; MVDB_ERR_ACCESS_DENIED when the
 * item's category has MVDB_CATEGORY_NO_MEDIA_REMOVAL (as the live inputs'
 * category has); MVDB_ERR_WRITE.
 */
MVDB_API int32_t MVDB_CALL DelMediaInfo(MVDB_HANDLE handle, int32_t index);

/*
 * ReplaceMediaInfo: replace the live media item at `index` with *info.
 *
 * All 960 bytes are stored as given, hostName and mediaFlags included (an
 * empty hostName stays empty), except recordSize (960), updateTime (now) and
 * recordIndex (index, whatever info->recordIndex says); a live input's
 * location is rebuilt as AddMediaInfo does; the additional info stays. A
 * mediaFlags with MVDB_MEDIA_DELETED deletes the item as DelMediaInfo does,
 * info files included, and is refused where DelMediaInfo would be. On
 * success recordSize, updateTime and recordIndex are written back into *info.
 * The replace is a move when info->categoryId differs from the stored one, or
 * when the new category has MVDB_CATEGORY_REPLACE_IS_MOVE; a move is refused
 * into a category with MVDB_CATEGORY_NO_MEDIA_ADDITION and out of one with
 * MVDB_CATEGORY_NO_MEDIA_REMOVAL. An item whose stored category no longer
 * exists can always be moved out of it.
 * Results: 0; MVDB_ERR_INVALID for a null handle; MVDB_ERR_NO_RECORD for a
 * null info; MVDB_ERR_OUT_OF_RANGE when the new category is not a live
 * category, or index is out of range or deleted; MVDB_ERR_ACCESS_DENIED for a
 * refused move or deletion; MVDB_ERR_WRITE.
 */
MVDB_API int32_t MVDB_CALL ReplaceMediaInfo(MVDB_HANDLE handle, int32_t index, MediaInfo* info);

/*
 * ModifyMediaInfo: update selected fields of one media item.
 *
 * The target is the item at info->recordIndex when that is a valid index
 * (deleted or not); otherwise the LAST live item whose keyName equals
 * info->keyName without regard to case, and its index is written back into
 * info->recordIndex.
 * Updated: updateTime (now); recordSize (960); fileTimeA and fileTimeB
 * ALWAYS (zero included); rangeProperty, propertyA, propertyB and mediaType
 * when nonzero; property64A and property64B when either word is nonzero;
 * propertyPairA and propertyPairB only when both are nonzero; categoryId when
 * it is 0 or greater: pass -1 to keep the category, because 0 moves the item
 * to the Root. Nothing else changes (title, location, keyName, hostName,
 * mediaFlags, the live-input fields, the caller data, the additional info).
 * A change of category is a move with the rules of ReplaceMediaInfo.
 * Results: the target's index (>= 0); MVDB_ERR_INVALID for a null handle or
 * info; MVDB_ERR_NOT_FOUND when there is no target; MVDB_ERR_OUT_OF_RANGE when
 * the new category does not exist; MVDB_ERR_ACCESS_DENIED for a refused move;
 * MVDB_ERR_WRITE.
 */
MVDB_API int32_t MVDB_CALL ModifyMediaInfo(MVDB_HANDLE handle, MediaInfo* info);

/*
 * ClearMediaInfo: reset the categories and the media to their default content.
 *
 * The categories become the Root and the live-video category, the media the
 * default live inputs, and every file in the info folder is deleted. Clients,
 * users and the account stay.
 * Results: 0; MVDB_ERR_INVALID for a null handle; MVDB_ERR_WRITE.
 */
MVDB_API int32_t MVDB_CALL ClearMediaInfo(MVDB_HANDLE handle);

/* ---- Media queries and result slots ----------------------------------- */

/*
 * GetMediaCount: the number of media indexes, deleted items included.
 *
 * Valid indexes are 0 .. count-1; a deleted one answers MVDB_ERR_OUT_OF_RANGE
 * from GetMediaInfo.
 * Results: the count (>= 0); MVDB_ERR_INVALID for a null handle.
 */
MVDB_API int32_t MVDB_CALL GetMediaCount(MVDB_HANDLE handle);

/*
 * GetMediaInfo: copy the live media item at `index` into *info (960 bytes).
 *
 * Results: 0; MVDB_ERR_INVALID for a null handle or info;
 * MVDB_ERR_OUT_OF_RANGE when index is out of range or the item is deleted.
 */
MVDB_API int32_t MVDB_CALL GetMediaInfo(MVDB_HANDLE handle, int32_t index, MediaInfo* info);

/*
 * SearchMedia: find the first live item of this host whose location equals
 * `location` or whose keyName equals `keyName`, whole texts compared without
 * regard to case.
 *
 * A NULL argument matches nothing; an EMPTY text matches every item whose
 * field is empty (the live inputs have an empty keyName): pass NULL for the
 * key you do not search by.
 * Results: the item's index (>= 0); MVDB_ERR_INVALID for a null handle;
 * MVDB_ERR_NOT_FOUND when nothing matches.
 */
MVDB_API int32_t MVDB_CALL SearchMedia(MVDB_HANDLE handle, const char* location, const char* keyName);

/*
 * SearchMediaNext: SearchMedia from index `start` on; pass the previous
 * result + 1 to find the next match. A negative start searches from 0.
 *
 * Results: the item's index (>= 0); MVDB_ERR_INVALID for a null handle;
 * MVDB_ERR_NOT_FOUND when nothing matches from start on, or start is not
 * below GetMediaCount.
 */
MVDB_API int32_t MVDB_CALL SearchMediaNext(MVDB_HANDLE handle, const char* location, const char* keyName,
                                           int32_t start);

/*
 * CheckChangedData: fill media result slot `slot` with copies of this host's
 * live items whose updateTime (seconds since 1970, UTC) is `since` or later,
 * in index order; read them with GetChangedData.
 *
 * The default live inputs carry updateTime 0, so `since` 0 lists them too.
 * Results: the number of items (>= 0); MVDB_ERR_INVALID for a null handle;
 * MVDB_ERR_BAD_SLOT when slot is outside 0 .. 63.
 */
MVDB_API int32_t MVDB_CALL CheckChangedData(MVDB_HANDLE handle, int32_t since, int32_t slot);

/*
 * CheckCategorizedData: fill media result slot `slot` with copies of the live
 * items filed in category `categoryId`: this host's items only, except for
 * category 1 (the live-video category), which lists every host's.
 *
 * Results: the number of items (>= 0); MVDB_ERR_INVALID for a null handle;
 * MVDB_ERR_BAD_SLOT when slot is outside 0 .. 63.
 */
MVDB_API int32_t MVDB_CALL CheckCategorizedData(MVDB_HANDLE handle, int32_t categoryId, int32_t slot);

/*
 * CheckNormalData: fill media result slot `slot` with copies of this host's
 * items whose mediaFlags lack MVDB_MEDIA_NOT_NORMAL.
 *
 * DELETED items are listed too (their mediaFlags read MVDB_MEDIA_DELETED):
 * skip them yourself if you do not want them.
 * Results: the number of items (>= 0); MVDB_ERR_INVALID for a null handle;
 * MVDB_ERR_BAD_SLOT when slot is outside 0 .. 63.
 */
MVDB_API int32_t MVDB_CALL CheckNormalData(MVDB_HANDLE handle, int32_t slot);

/*
 * GetChangedData: copy entry `position` of media result slot `slot` into
 * *info (960 bytes).
 *
 * Reads what the last CheckChangedData, CheckChangedDataByName,
 * CheckCategorizedData, CheckNormalData or FindMedia on that slot left: copies
 * taken at that time, which later changes do not reach. Reading does not
 * empty the slot.
 * Results: 0; MVDB_ERR_INVALID for a null handle or info; MVDB_ERR_BAD_SLOT
 * when slot is outside 0 .. 63 (tested first); MVDB_ERR_OUT_OF_RANGE when
 * position is outside the slot.
 */
MVDB_API int32_t MVDB_CALL GetChangedData(MVDB_HANDLE handle, int32_t position, MediaInfo* info,
                                          int32_t slot);

/* ---- Additional info -------------------------------------------------- */

/*
 * SetAddInfo: store `size` bytes from `data` as additional info number
 * `number` (0 .. 7) of the live item at `index`.
 *
 * `type` must equal `number`. The bytes go to an info file of their own (see
 * docs/file-format.md) and replace any piece of that number; the library
 * copies them and keeps no pointer. A size of 0 stores no piece (as
 * DelAddInfo). The first call on an item switches it from its inline text to
 * info files, also when the call fails.
 * Results: 0; MVDB_ERR_INVALID for a null handle; MVDB_ERR_OUT_OF_RANGE when
 * index is out of range or deleted, number is outside 0 .. 7, or type differs
 * from number; MVDB_ERR_WRITE when size is negative, data is NULL with a
 * positive size, or the file cannot be written (the former piece stays).
 */
MVDB_API int32_t MVDB_CALL SetAddInfo(MVDB_HANDLE handle, int32_t index, int32_t number, int32_t size,
                                      int32_t type, const void* data);

/*
 * GetAddInfoType: store the size in bytes and the type of additional info
 * `number` of the live item at `index` in *size and *type (either may be
 * NULL).
 *
 * In file mode a number without a piece answers 0 with *size 0. An item still
 * in its inline-text mode has only number 0: its text, with type 0 and the
 * text's length without the NUL.
 * Results: 0; MVDB_ERR_INVALID for a null handle; MVDB_ERR_NOT_FOUND when
 * the piece's info file is missing (*size and *type already set) or the inline
 * text is empty (both 0); MVDB_ERR_OUT_OF_RANGE when index is out of range or
 * deleted, or number is outside 0 .. 7 (inline mode: other than 0);
 * MVDB_ERR_INFO_MODE when the item's info area is damaged.
 */
MVDB_API int32_t MVDB_CALL GetAddInfoType(MVDB_HANDLE handle, int32_t index, int32_t number, int32_t* size,
                                          int32_t* type);

/*
 * GetAddInfo: copy additional info `number` of the live item at `index` into
 * `buffer`.
 *
 * The buffer must hold *size + 1 bytes, with *size from GetAddInfoType: a
 * piece from an info file is copied without a NUL; an inline text is copied
 * with its NUL.
 * Results: 0; MVDB_ERR_INVALID for a null handle or a null buffer;
 * MVDB_ERR_NOT_FOUND when there is no piece under that number (its info file
 * does not exist; the piece is then forgotten); MVDB_ERR_OUT_OF_RANGE as in
 * GetAddInfoType; MVDB_ERR_SHORT_READ when the file holds fewer bytes than
 * recorded (the buffer holds what was read); MVDB_ERR_INFO_MODE.
 */
MVDB_API int32_t MVDB_CALL GetAddInfo(MVDB_HANDLE handle, int32_t index, int32_t number, void* buffer);

/*
 * DelAddInfo: remove additional info `number` of the live item at `index`
 * and its info file (inline mode: clear the text).
 *
 * Removing a number that holds nothing succeeds.
 * Results: 0; MVDB_ERR_INVALID for a null handle; MVDB_ERR_OUT_OF_RANGE as in
 * GetAddInfoType; MVDB_ERR_INFO_MODE; MVDB_ERR_WRITE.
 */
MVDB_API int32_t MVDB_CALL DelAddInfo(MVDB_HANDLE handle, int32_t index, int32_t number);

/*
 * CheckAddInfo: the number of pieces of additional info the live item at
 * `index` holds: 0 .. 8 (inline mode: 1 when its text is not empty, else 0).
 *
 * Results: the count (>= 0); MVDB_ERR_INVALID for a null handle;
 * MVDB_ERR_OUT_OF_RANGE when index is out of range or deleted;
 * MVDB_ERR_INFO_MODE.
 */
MVDB_API int32_t MVDB_CALL CheckAddInfo(MVDB_HANDLE handle, int32_t index);

/* ---- Media lookup ----------------------------------------------------- */

/*
 * FindMedia: fill media result slot `slot` with copies of the items that the
 * criteria list starting at `criteria` selects, in index order; read them
 * with GetChangedData. The second argument is not used: pass 0.
 *
 * Every node's criteriaSize must be MVDB_FIND_CRITERIA_SIZE (292) on every
 * target, NOT sizeof(FindCriteria), which is larger on 64-bit targets. A NULL
 * list, or a head with another size, selects nothing; a later node with
 * another size never matches. Lists longer than 4096 nodes are cut there. The
 * list is caller-owned and only read.
 * Each node is tested by its criteriaKind:
 *   MVDB_CRITERIA_TEXT: `pattern` occurs in the title (MVDB_TARGET_TITLE),
 *     the location or keyName (MVDB_TARGET_LOCATION_OR_KEY), or additional
 *     info number 0 (MVDB_TARGET_ADDINFO), as bits of criteriaTarget. matchMode
 *     bits: MVDB_MATCH_IGNORE_CASE (ASCII letters), MVDB_MATCH_SKIP_IGNORABLE
 *     (space, '_' and '-' are ignored in pattern and text),
 *     MVDB_MATCH_IGNORE_WIDTH (a full-width character matches its half-width
 *     form). An empty pattern matches everything; a match starts only at a
 *     character boundary.
 *   MVDB_CRITERIA_DATE: fileTimeA (criteriaTarget MVDB_TARGET_FILETIME_A) or
 *     fileTimeB (MVDB_TARGET_FILETIME_B) lies in timeFrom .. timeTo
 *     (inclusive), and when weekdayMask is not 0 its day, taken as stored
 *     without time-zone conversion, has bit (1 << (day + 1)) set, day 0 being
 *     Sunday.
 *   MVDB_CRITERIA_RANGE: criteriaTarget is 1, the item's mediaType has major
 *     kind 2, or major kind 1 with a sub-kind in bits 4..7, and rangeProperty
 *     lies in rangeMin .. rangeMax (inclusive, unsigned).
 * combineRule: MVDB_COMBINE_REQUIRED rejects the item when the node fails;
 * MVDB_COMBINE_SUFFICIENT selects it at once when the node matches; any other
 * value just counts a match. An item is selected when a sufficient node
 * matched, or the list ended with no required node failing and at least one
 * required or counted node matching. classFilter has no effect. Deleted
 * items are never selected; items of every host are.
 * Results: the number of items (>= 0); MVDB_ERR_INVALID for a null handle;
 * MVDB_ERR_BAD_SLOT when slot is outside 0 .. 63.
 */
MVDB_API int32_t MVDB_CALL FindMedia(MVDB_HANDLE handle, int32_t unused, const FindCriteria* criteria,
                                     int32_t slot);

#ifdef __cplusplus
}
#endif

#endif /* MVDB_H */
