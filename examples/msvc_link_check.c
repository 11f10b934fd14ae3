/*
 * Links against mvdb.lib with Microsoft's linker conventions and needs no C
 * run-time library: the entry point opens the database, counts its
 * categories and closes it. Exit status 0 when the database opened and has
 * at least the Root; 1 otherwise. Built with clang-cl and lld-link:
 *   clang-cl --target=i686-pc-windows-msvc -ffreestanding /GS- /c msvc_link_check.c
 *   lld-link /entry:start /subsystem:console /nodefaultlib msvc_link_check.obj mvdb.lib
 */
#include "mvdb.h"

int start(void) {
    MVDB_HANDLE db = OpenMVDB();
    if (db == MVDB_INVALID_HANDLE) return 1;
    const int32_t categories = GetCategoryCount(db);
    CloseMVDB(db);
    return categories > 0 ? 0 : 1;
}
