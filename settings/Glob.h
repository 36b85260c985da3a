// The settings module: option values, their persistence in the per-user
// settings store, the current data-source number and the shared error
// reporter. All state is thread_local: controls on one thread share it,
// controls on different threads each have their own.
#pragma once

#include "platform/ErrorReporter.h"

#include <quarry/quarry_export.h>

#include <QString>

namespace Glob {

// Every field starts false, 0 or empty on a thread; Read_INI and Get_Options
// assign the initial values and load the stored ones.
struct BrowserOptions
{
    int lngDataView = 0;
    bool blnToolBarText = false;
    bool blnGridLines = false;
    bool blnToolTips = false;
    bool blnToolTipTypes = false;
    bool blnToolTipSort = false;
    int lngToolTipDelay = 0;
    int lngSplitPercent = 0;
    bool blnSplitHorizontal = false;
    bool blnSplitLeft = false;
    bool blnQueryTables = false;
    bool blnQueryViews = false;
    bool blnQueryProcs = false;
    bool blnEditData = false;
    bool blnOpenSQL = false;
    bool blnOptions = false;
    bool blnDataPassword = false;
    bool blnAdminPassword = false;
    QString strPassword; // scrambled form
    QString strDataSourceFile;
};

QUARRY_EXPORT BrowserOptions& Options();

// The settings application name; Init sets it to "Dabrook".
QUARRY_EXPORT QString AppTitle();
QUARRY_EXPORT void setAppTitle(const QString& title);

QUARRY_EXPORT int CurrentDataSource();
QUARRY_EXPORT void setCurrentDataSource(int number);

// Each reports its own failure through Reporter() and returns false. The two
// loaders report values they cannot use, keep the defaults for those and go
// on; they fail only when the store cannot be read.
QUARRY_EXPORT bool Read_INI();
QUARRY_EXPORT bool Get_Options();
QUARRY_EXPORT bool Save_INI();
QUARRY_EXPORT bool Save_Options();

QUARRY_EXPORT bool HasErrorReporter();
// Created on first use and kept for the life of the thread.
QUARRY_EXPORT quarry::platform::ErrorReporter& Reporter();

// Direct store access for the few savers outside the four procedures (the
// view-mode command, the splitter). Reading gives defaultText when the key is
// absent or the store cannot be read. Saving returns false when the store
// cannot be written and, when asked, says why; the caller reports it under
// its own procedure name.
QUARRY_EXPORT QString GetSetting(const QString& section, const QString& key, const QString& defaultText = {});
QUARRY_EXPORT bool SaveSetting(const QString& section, const QString& key, const QString& text,
                               QString* errorDescription = nullptr);

} // namespace Glob
