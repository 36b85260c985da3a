// Composing the starting query for the selected object or data source and
// handing it to the host.
#include "control/kwQuarryPrivate.h"

bool kwQuarry::Get_Parameters()
{
    return d->notAvailable(QStringLiteral("Get_Parameters"));
}

bool kwQuarry::Run(int)
{
    return d->notAvailable(QStringLiteral("Run"));
}

bool kwQuarry::Run_Query()
{
    return d->notAvailable(QStringLiteral("Run_Query"));
}
