// The version number that a fetched version file lists.
#pragma once
#include <cstdint>

#include "KavelVersion.h"

// The program's own version, the project's major version: a listed version above it is newer.
inline constexpr int32_t kOwnVersion = KAVEL_VERSION_MAJOR;

// Reads the first record's "version" field as a number. Returns 1 with version set, or 0
// when the body has no table, no such column, no first record or an empty field.
int ReadListedVersion(const char* body, int32_t length, int32_t& version);
