// Path forms for the file calls. No platform calls here.
#pragma once
#include <cstddef>

// The form of a full path that every file call takes whatever its length, beyond the 260 units of
// the plain form: "\\?\C:\dir\name" for a drive path, "\\?\UNC\server\share\name" for a network
// one. A name already in that form, or one that is not a full path, stays as it is. 0 when the
// result does not fit outUnits.
int ExtendedPath(const char16_t* path, char16_t* out, size_t outUnits);

// Units the extended form may add to a path ("\\?\UNC" for the leading "\\").
constexpr size_t kExtendedPrefixUnits = 6;
