// Where the quarry shared library file lies; the data-source file is kept
// beside it.
#pragma once

#include <quarry/quarry_export.h>

#include <QString>

namespace quarry::platform {

// Absolute folder of the library file holding this code, with '/' separators.
QUARRY_EXPORT QString LibraryFolder();

// Test-only seam: makes LibraryFolder() return folder for the whole process
// until it is called again with an empty text.
QUARRY_EXPORT void setLibraryFolderForTesting(const QString& folder);

} // namespace quarry::platform
