#include "app/ProcedureCall.h"

#include <QStringList>

namespace dabrook {

std::vector<quarry::Parameter> procedureArguments(const std::vector<quarry::Parameter>& parameters)
{
    std::vector<quarry::Parameter> arguments;
    for (const quarry::Parameter& p : parameters) {
        if (p.Direction != quarry::adParamReturnValue)
            arguments.push_back(p);
    }
    return arguments;
}

QString procedureCallText(const QString& name, const std::vector<quarry::Parameter>& parameters)
{
    const auto arguments = procedureArguments(parameters);
    if (arguments.empty())
        return QStringLiteral("{call %1}").arg(name);
    QStringList placeholders;
    for (size_t i = 0; i < arguments.size(); ++i)
        placeholders << QStringLiteral("NULL");
    return QStringLiteral("{call %1(%2)}").arg(name, placeholders.join(QLatin1String(", ")));
}

std::vector<quarry::Parameter> describeProcedure(const quarry::Connection& connection, const QString& name)
{
    quarry::Command command;
    command.setActiveConnection(connection);
    command.setCommandType(quarry::adCmdStoredProc);
    command.setCommandText(name);
    command.Params().Refresh();
    std::vector<quarry::Parameter> parameters;
    for (int i = 0; i < command.Params().Count(); ++i)
        parameters.push_back(command.Params().Item(i));
    return parameters;
}

} // namespace dabrook
