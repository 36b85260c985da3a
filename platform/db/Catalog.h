// A long listing of a data source's tables, views or procedures, read
// straight off the catalog function: the rows OpenSchema's TABLES and
// PROCEDURES rowsets would give, without a recordset or a variant per value.
#pragma once

#include <quarry/Database.h>

#include <QDateTime>
#include <QString>

#include <functional>

namespace quarry::db {

struct CatalogEntry
{
    QString Name;
    QString Owner; // empty where the database has none, or it was not asked for
    QString Type;  // TABLES only: "TABLE", "VIEW", ...; null when the driver gave none
    QDateTime Created;
    QDateTime Modified;
};

// `restrictions` and `fields` as OpenSchema takes them (fields: the rowset's
// ordinals the caller reads; the owner is read for 1, dates for theirs).
// `each` sees every row that belongs and returns false to stop; the entry
// it gets is reused for the next row. Errors as OpenSchema's.
QUARRY_EXPORT void ForEachCatalogEntry(Connection& connection, SchemaEnum schema,
                                       const QStringList& restrictions, const QList<int>& fields,
                                       const std::function<bool(const CatalogEntry&)>& each);

} // namespace quarry::db
