// The two key databases of a sync profile (gdbm files "<key>.old" and "<key>.new" in the folder
// Dravenholt of the user's application data): the source record keys paired by the previous
// run and by the current one.
#pragma once

#include "TembrixLib.h"

#include <gdbm.h>
#include <span>
#include <string>

enum { DB_OLD = 0, DB_NEW = 1 };

HRESULT GetDbPath(IProfile* pProfile, int which, std::string& path);
// Rotates the databases: when both exist, ".new" replaces ".old" in one rename. With either
// missing nothing happens (".old" without ".new" is what a run killed right after its rotation
// leaves: refusing it would stop every later run).
HRESULT New2Old(IProfile* pProfile);
HRESULT DbOpenOld(IProfile* pProfile, GDBM_FILE* pHandle);
HRESULT DbOpenNew(IProfile* pProfile, GDBM_FILE* pHandle);
// Opens for writing, creating an empty database when the file is missing; NULL on failure with
// the last error set (the error of the call that failed). A database that a killed run left
// half written is rebuilt from the keys it still holds; one that cannot be read at all is kept
// as "<name>.damaged" and started empty (a missing key only makes a message count as new).
GDBM_FILE DbOpen(const char* name);
HRESULT DbPut(GDBM_FILE handle, std::span<const BYTE> key);
bool DbExists(GDBM_FILE handle, std::span<const BYTE> key);
void DbClose(GDBM_FILE handle);
// Deletes both files of the profile (results not checked).
void DbDelete(IProfile* pProfile);
