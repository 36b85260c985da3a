// Dabrook's own sample database: a small order-processing schema in SQLite,
// generated from a fixed seed so that every first start produces the same rows.
#pragma once

#include <QString>

namespace dabrook {

class SampleDatabase
{
public:
    // Where the first start puts it: "Sample.db" in the application's data folder.
    static QString defaultPath();
    // `Provider=SQLite;Data Source=<path>`.
    static QString connectionString(const QString& path);

    // Builds the database at `path`, replacing nothing until it is complete:
    // the rows go into a temporary file beside it, which is renamed at the end.
    // On failure no file is left behind and `error` says why.
    static bool create(const QString& path, QString* error = nullptr);

    // The name the half-built file carries while `create` runs.
    static QString partialPath(const QString& path);
};

// On a first start, when the data-source list is empty, adds the sample
// database at `path` to it under the name "Sample" (delimiter '"') and saves
// the file. A list that holds entries is left alone, which is success too.
// False with the reason in `error` when the file cannot be read or written.
bool registerSampleDataSource(const QString& path, QString* error = nullptr);

} // namespace dabrook
