// Composing the starting query for the selected object or data source and
// handing it to the host.
#include "control/kwQuarryPrivate.h"
#include "platform/widgets/ObjectList.h"
#include "platform/widgets/Prompts.h"
#include "platform/widgets/TreeModel.h"
#include "query/FieldTable.h"
#include "settings/DataSources.h"
#include "settings/Glob.h"

#include <QLocale>
#include <QRegularExpression>

#include <climits>
#include <cmath>
#include <stdexcept>

namespace {

const Glob::DataSource& dataSourceRow(int number)
{
    if (number < 0 || number > Glob::kDataSourceRows)
        throw std::out_of_range("Subscript out of range");
    return Glob::aDataSources()[size_t(number)];
}

// The number an answer begins with, read the way Val reads it: blanks, tabs
// and line feeds anywhere are ignored, no leading number counts as 0, and
// the value is rounded to a whole number with halves going to the even one.
int leadingWholeNumber(const QString& answer)
{
    QString text = answer;
    text.remove(QRegularExpression(QStringLiteral("[ \\t\\n]")));
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][+-]?\\d+)?"));
    const QRegularExpressionMatch match = number.match(text);
    if (!match.hasMatch())
        return 0;
    bool ok = false;
    const double value = QLocale::c().toDouble(match.captured(), &ok);
    const double whole = std::nearbyint(value); // the default rounding mode sends halves to even
    if (!ok || !std::isfinite(whole) || whole < double(INT_MIN) || whole > double(INT_MAX))
        throw std::overflow_error(
            kwQuarry::tr("Overflow: %1 does not fit a number of rows.").arg(answer.trimmed()).toStdString());
    return int(whole);
}

} // namespace

bool kwQuarry::Get_Parameters()
{
    quarry::Command command;
    command.setActiveConnection(d->connection(Glob::CurrentDataSource()));
    command.setCommandType(quarry::adCmdStoredProc);
    command.setCommandText(d->SelectedObject);
    command.Params().Refresh();

    quarry::query::FieldRows parameters;
    for (int i = 0; i < command.Params().Count(); ++i) {
        const quarry::Parameter& parameter = command.Params().Item(i);
        if (Allowed_DataType(parameter.Type))
            parameters.push_back({parameter.Name, QString::number(parameter.Type)});
    }
    if (Glob::Options().blnToolTipSort)
        quarry::query::SortFieldRows(*this, parameters);
    d->ObjectFields = std::move(parameters);
    return true;
}

bool kwQuarry::Run(int lngType)
{
    d->trap(QStringLiteral("Run"), [&] {
        d->QueryFromTree = false;
        switch (lngType) {
        case 0: // open for editing
            d->RunMaxRecords = 0;
            d->RunAutoRun = false;
            d->RunShowSQL = true;
            break;
        case 1: // all rows
            d->RunMaxRecords = 0;
            d->RunAutoRun = true;
            d->RunShowSQL = false;
            break;
        case 2: { // top rows
            const QString answer = quarry::platform::Prompts::current().InputBox(
                tr("Enter maximum number of rows to return. 0 equals all."), tr("Return top ..."),
                d->RunMaxRecords == 0 ? QStringLiteral("100") : QString::number(d->RunMaxRecords));
            if (answer.isEmpty())
                return false;
            d->RunMaxRecords = leadingWholeNumber(answer);
            d->RunAutoRun = true;
            d->RunShowSQL = false;
            break;
        }
        default: // the run settings of the previous command stand
            break;
        }
        Run_Query();
        return false;
    });
    return false;
}

bool kwQuarry::Run_Query()
{
    return d->trap(QStringLiteral("Run_Query"), [&] {
        const int number = Glob::CurrentDataSource();
        QString sql;
        QString name;
        if (d->QueryFromTree) {
            d->CurrentDataType = dkDataTable;
            name = dataSourceRow(number)[Glob::dsName];
        } else {
            if (d->SelectedObject.isEmpty())
                return false;
            const QString category = kwQuarryPrivate::categoryOf(d->selectedNode());
            if (category == QLatin1String("Tables")) {
                d->CurrentDataType = dkDataTable;
                sql = QStringLiteral("SELECT * \r\nFROM ") + d->SelectedObject;
            } else if (category == QLatin1String("Views")) {
                d->CurrentDataType = dkDataView;
                sql = QStringLiteral("SELECT * \r\nFROM ") + d->SelectedObject;
            } else if (category == QLatin1String("Stored Procedures")) {
                d->CurrentDataType = dkDataStoredProc;
                sql = d->SelectedObject;
            }
            const int row = d->lvwData->selectedRow();
            if (row < 0)
                throw std::logic_error(tr("No item is selected in the object list.").toStdString());
            name = d->CategoryPath + QStringLiteral(" : ") + d->lvwData->model()->item(row).text;
        }
        const quarry::Connection connection = d->connection(number);
        emit RunQuery(connection, sql, name, d->CurrentDataType, d->RunMaxRecords, d->RunAutoRun,
                      d->RunShowSQL, d->delimiterOf(number), Glob::Options().blnOptions);
        return true;
    });
}
