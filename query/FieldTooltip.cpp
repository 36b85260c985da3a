// The fields of a clicked table or view, laid out in a small grid beside it.
#include "control/kwQuarryPrivate.h"

bool kwQuarry::Show_ToolTip()
{
    return d->notAvailable(QStringLiteral("Show_ToolTip"));
}

bool kwQuarry::Get_Fields()
{
    return d->notAvailable(QStringLiteral("Get_Fields"));
}

QVariant kwQuarry::Popluate_ToolTip()
{
    return QVariant(d->notAvailable(QStringLiteral("Popluate_ToolTip")));
}

bool kwQuarry::Sort_Array(QVariant&)
{
    return d->notAvailable(QStringLiteral("Sort_Array"));
}

void kwQuarryPrivate::connectTooltipHandlers() {}
