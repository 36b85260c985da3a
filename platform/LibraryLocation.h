// Where the quarry shared library file lies; the data-source file is kept
// beside it.
#pragma once

#include <quarry/quarry_export.h>

#include <QString>

namespace quarry::platform {

// Absolute folder of the library file holding this code, with '/' separators.
QUARRY_EXPORT QString LibraryFolder();

// True when `folder` belongs to the user running this process and they may
// write in it, as a build tree or a per-user install does.
QUARRY_EXPORT bool FolderIsUsersOwn(const QString& folder);

// Test-only seam: makes LibraryFolder() return folder for the whole process
// until it is called again with an empty text.
QUARRY_EXPORT void setLibraryFolderForTesting(const QString& folder);

} // namespace quarry::platform
