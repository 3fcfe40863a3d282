// The version number that a fetched version file lists.
#pragma once
#include <cstdint>

#include "KavelVersion.h"

// The program's own version, the project's major version: a listed version above it is newer.
inline constexpr int32_t kOwnVersion = KAVEL_VERSION_MAJOR;

// Reads the first record's "version" field as a number; the body may start with a UTF-8
// byte-order mark. Returns 1 with version set, or 0 when the body has no table, no such column,
// no first record, or a field that is not a whole number (digits only).
int ReadListedVersion(const char* body, int32_t length, int32_t& version);
