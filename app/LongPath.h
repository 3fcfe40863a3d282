// Path forms for the file calls. No platform calls here.
#pragma once
#include <cstddef>

// The form of a full path that every file call takes whatever its length, beyond the 260 units of
// the plain form: "\\?\C:\dir\name" for a drive path, "\\?\UNC\server\share\name" for a network
// one. A name already in that form, or one that is not a full path, stays as it is. 0 when the
// result does not fit outUnits.
int ExtendedPath(const char16_t* path, char16_t* out, size_t outUnits);

// The longest path Windows takes, in UTF-16 units with the terminator.
constexpr size_t kLongestPathUnits = 32768;
// Units the extended form may add to a path ("\\?\UNC" for the leading "\\").
constexpr size_t kExtendedPrefixUnits = 6;

// The extended form of fileName in the folder of programPath (the program's own path as the system
// gives it): the program's files are found there whatever the current folder. 0 when programPath
// has no folder or the result does not fit outUnits.
int FileBesideProgram(const char16_t* programPath, const char16_t* fileName, char16_t* out, size_t outUnits);
