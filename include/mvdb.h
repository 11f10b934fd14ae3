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

/* ---- Result codes --------------------------------------------------- */

#define MVDB_OK 0
/* Null handle, refused open, or a required record or output pointer is null. */
#define MVDB_ERR_INVALID (-1)
/* No record matches the name or search; an info file that should exist is missing. */
#define MVDB_ERR_NOT_FOUND (-3)
/* Index, id, info number or slot entry out of range, or the record is deleted. */
#define MVDB_ERR_OUT_OF_RANGE (-4)
/* Null record given to a replace, or no memory for a new media element. */
#define MVDB_ERR_NO_RECORD (-6)
/* The account block of a file is damaged (internal; never returned by an export). */
#define MVDB_ERR_BAD_ACCOUNT (-12)
/* An info file could not be created or written whole. */
#define MVDB_ERR_WRITE (-13)
/* An info file holds fewer bytes than recorded. */
#define MVDB_ERR_SHORT_READ (-15)
/* A media result-slot number outside 0 to 63. */
#define MVDB_ERR_BAD_SLOT (-16)
/* A category's access flags forbid the operation. */
#define MVDB_ERR_ACCESS_DENIED (-18)
/* A media item's info area is in neither of its two modes. */
#define MVDB_ERR_INFO_MODE (-19)

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
    int32_t criteriaSize; /* must be sizeof(FindCriteria) on the 32-bit target: 292 */
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

/* ---- Handle and reset ------------------------------------------------- */

MVDB_API MVDB_HANDLE MVDB_CALL OpenMVDB(void);
MVDB_API void MVDB_CALL CloseMVDB(MVDB_HANDLE handle);
MVDB_API int32_t MVDB_CALL InitializeDB(MVDB_HANDLE handle);

/* ---- Database account ------------------------------------------------- */

MVDB_API int32_t MVDB_CALL GetDBAccount(MVDB_HANDLE handle, DBAccount* account);
MVDB_API int32_t MVDB_CALL SetDBAccount(MVDB_HANDLE handle, const DBAccount* account);

/* ---- Categories ------------------------------------------------------- */

MVDB_API int32_t MVDB_CALL GetCategoryCount(MVDB_HANDLE handle);
MVDB_API int32_t MVDB_CALL GetCategoryInfo(MVDB_HANDLE handle, int32_t position, CategoryInfo* info);
MVDB_API int32_t MVDB_CALL AddCategoryInfo(MVDB_HANDLE handle, CategoryInfo* info);
MVDB_API int32_t MVDB_CALL DelCategoryInfo(MVDB_HANDLE handle, int32_t position, int32_t mode);
MVDB_API int32_t MVDB_CALL ReplaceCategoryInfo(MVDB_HANDLE handle, int32_t position, CategoryInfo* info);
MVDB_API int32_t MVDB_CALL CheckChildCategory(MVDB_HANDLE handle, int32_t position, int32_t slot);
MVDB_API int32_t MVDB_CALL GetCheckedCategory(MVDB_HANDLE handle, int32_t n, CategoryInfo* info,
                                              int32_t slot);
MVDB_API int32_t MVDB_CALL GetCategoryAccessFlag(MVDB_HANDLE handle, int32_t position, uint32_t* flags);

/* ---- Clients ---------------------------------------------------------- */

MVDB_API int32_t MVDB_CALL AddClientInfo(MVDB_HANDLE handle, ClientInfo* info);
MVDB_API int32_t MVDB_CALL DelClientInfo(MVDB_HANDLE handle, int32_t index);
MVDB_API int32_t MVDB_CALL ReplaceClientInfo(MVDB_HANDLE handle, int32_t index, ClientInfo* info);
MVDB_API int32_t MVDB_CALL GetClientCount(MVDB_HANDLE handle);
MVDB_API int32_t MVDB_CALL GetClientInfo(MVDB_HANDLE handle, int32_t index, ClientInfo* info);
MVDB_API int32_t MVDB_CALL GetClientInfoByName(MVDB_HANDLE handle, const char* name, ClientInfo* info);
MVDB_API int32_t MVDB_CALL LoginClient(MVDB_HANDLE handle, ClientInfo* info);
MVDB_API int32_t MVDB_CALL CheckChangedDataByName(MVDB_HANDLE handle, const char* name, int32_t slot);

/* ---- Users ------------------------------------------------------------ */

MVDB_API int32_t MVDB_CALL AddUser(MVDB_HANDLE handle, DBAccount* account);
MVDB_API int32_t MVDB_CALL DelUser(MVDB_HANDLE handle, int32_t index);
MVDB_API int32_t MVDB_CALL ModifyUser(MVDB_HANDLE handle, int32_t index, DBAccount* account);
MVDB_API int32_t MVDB_CALL LoginUser(MVDB_HANDLE handle, const char* userName, const char* password);
MVDB_API int32_t MVDB_CALL CheckUser(MVDB_HANDLE handle, int32_t slot);
MVDB_API int32_t MVDB_CALL GetCheckedUser(MVDB_HANDLE handle, int32_t position, DBAccount* account,
                                          int32_t slot);

/* ---- Media changes ---------------------------------------------------- */

MVDB_API int32_t MVDB_CALL AddMediaInfo(MVDB_HANDLE handle, MediaInfo* info);
MVDB_API int32_t MVDB_CALL DelMediaInfo(MVDB_HANDLE handle, int32_t index);
MVDB_API int32_t MVDB_CALL ReplaceMediaInfo(MVDB_HANDLE handle, int32_t index, const MediaInfo* info);
MVDB_API int32_t MVDB_CALL ModifyMediaInfo(MVDB_HANDLE handle, MediaInfo* info);
MVDB_API int32_t MVDB_CALL ClearMediaInfo(MVDB_HANDLE handle);

/* ---- Media queries and result slots ----------------------------------- */

MVDB_API int32_t MVDB_CALL GetMediaCount(MVDB_HANDLE handle);
MVDB_API int32_t MVDB_CALL GetMediaInfo(MVDB_HANDLE handle, int32_t index, MediaInfo* info);
MVDB_API int32_t MVDB_CALL SearchMedia(MVDB_HANDLE handle, const char* location, const char* keyName);
MVDB_API int32_t MVDB_CALL SearchMediaNext(MVDB_HANDLE handle, const char* location, const char* keyName,
                                           int32_t start);
MVDB_API int32_t MVDB_CALL CheckChangedData(MVDB_HANDLE handle, int32_t since, int32_t slot);
MVDB_API int32_t MVDB_CALL CheckCategorizedData(MVDB_HANDLE handle, int32_t categoryId, int32_t slot);
MVDB_API int32_t MVDB_CALL CheckNormalData(MVDB_HANDLE handle, int32_t slot);
MVDB_API int32_t MVDB_CALL GetChangedData(MVDB_HANDLE handle, int32_t position, MediaInfo* info,
                                          int32_t slot);

/* ---- Additional info -------------------------------------------------- */

MVDB_API int32_t MVDB_CALL SetAddInfo(MVDB_HANDLE handle, int32_t index, int32_t number, int32_t size,
                                      int32_t type, const void* data);
MVDB_API int32_t MVDB_CALL GetAddInfoType(MVDB_HANDLE handle, int32_t index, int32_t number, int32_t* size,
                                          int32_t* type);
MVDB_API int32_t MVDB_CALL GetAddInfo(MVDB_HANDLE handle, int32_t index, int32_t number, void* buffer);
MVDB_API int32_t MVDB_CALL DelAddInfo(MVDB_HANDLE handle, int32_t index, int32_t number);
MVDB_API int32_t MVDB_CALL CheckAddInfo(MVDB_HANDLE handle, int32_t index);

/* ---- Media lookup ----------------------------------------------------- */

MVDB_API int32_t MVDB_CALL FindMedia(MVDB_HANDLE handle, int32_t unused, const FindCriteria* criteria,
                                     int32_t slot);

#ifdef __cplusplus
}
#endif

#endif /* MVDB_H */
