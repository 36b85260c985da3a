// The database's own complaint about a request the control made, handed to
// the host through the one channel it already listens to.
#include "control/kwQuarryPrivate.h"

#include "platform/widgets/BusyPointer.h"

bool kwQuarry::Show_SQLError(QString strSQl, QString strDescription)
{
    // The request text is not passed on: for a failed listing it is the
    // connection string, password and all.
    Q_UNUSED(strSQl);
    const quarry::platform::BusyPointer busy;
    emit ErrHandle(QStringLiteral("Show_SQLError"), strDescription);
    return true;
}
