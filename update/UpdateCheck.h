// The start-up update check.
#pragma once

// Fetches the version file from the update server and compares the listed version with the
// program's own. Returns 0 when the program may start; 1 when it must not, after telling the
// user (and, for a newer version, opening the download page).
int CheckForUpdate();
