// One item of the object list as the listing fills it.
#pragma once

#include "platform/widgets/ObjectListModel.h"

#include <QDateTime>

namespace quarry::objects {

// Sub-items: 1 owner, 2 the date as the locale shows it, 3 the same date in
// the fixed pattern "yy/dd/mm hh:mm:ss", and 4, never shown, the date as
// ISO text, which is what orders the list by "Create Date" (neither of the
// other two texts sorts by time).
inline constexpr int kDateSortKey = 4;

// `ownerOnly`, where given, keeps the sub-items of the last undated row with
// an owner: the rows of one owner share them rather than each allocate its own.
quarry::platform::ListItem ListedObject(const QString& name, int largeIcon, int smallIcon,
                                        const QString& owner, const QDateTime& date,
                                        QStringList* ownerOnly = nullptr);

} // namespace quarry::objects
