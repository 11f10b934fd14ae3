/* The public header compiles as C99 and the shared library links alone. */
#define _POSIX_C_SOURCE 200809L
#include <sys/stat.h>
#include <unistd.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "mvdb.h"

int main(int argc, char** argv) {
    MVDB_HANDLE db;
    DBAccount account;
    int failures = 0;
    /* Without a registry the files are bare names in the current folder. */
    if (argc > 1) {
        mkdir(argv[1], 0777);
        if (chdir(argv[1]) != 0) return 1;
    }
    db = OpenMVDB();
    if (db == MVDB_INVALID_HANDLE) {
        fprintf(stderr, "OpenMVDB failed\n");
        return 1;
    }
    if (OpenMVDB() != MVDB_INVALID_HANDLE) failures++;
    memset(&account, 0, sizeof account);
    strcpy(account.userName, "c-caller");
    if (SetDBAccount(db, &account) != MVDB_OK) failures++;
    memset(&account, 0, sizeof account);
    if (GetDBAccount(db, &account) != MVDB_OK || strcmp(account.userName, "c-caller") != 0) failures++;
    if (InitializeDB(NULL) != MVDB_ERR_INVALID) failures++;
    CloseMVDB(db);
    if (failures) fprintf(stderr, "%d failures\n", failures);
    return failures ? 1 : 0;
}
