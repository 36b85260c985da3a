// The data-source list of the settings module: the table aDataSources, its
// file Options().strDataSourceFile, and the add, edit and delete operations.
// Like the rest of Glob the table and the count are thread_local.
//
// The file is a profile (INI) file with one section per entry, numbered from
// 1, each holding "Name", "Connection", "Description" and "Delimiter", with
// every single quote doubled. Saving renumbers the entries in row order.
#pragma once

#include <quarry/quarry_export.h>

#include <QString>

#include <array>

class frmNewDataSource;

namespace Glob {

// Rows 1 to 50 hold entries; row 0 and column 0 are never used.
inline constexpr int kDataSourceRows = 50;
inline constexpr int kDataSourceColumns = 5;

enum DataSourceColumn : int
{
    dsID = 1, // the row's own number as text; empty marks a free or deleted row
    dsName = 2,
    dsDescription = 3,
    dsConnection = 4,
    dsDelimiter = 5,
};

// One row of aDataSources, indexed by DataSourceColumn.
using DataSource = std::array<QString, kDataSourceColumns + 1>;
using DataSourceTable = std::array<DataSource, kDataSourceRows + 1>;

// The table itself; callers may mark a row deleted by emptying its ID.
QUARRY_EXPORT DataSourceTable& aDataSources();

// The highest row in use after loading, and the last row given out by an add.
QUARRY_EXPORT int lngDataSourceCount();

// Where this user's list lives: beside the library when that folder is the
// user's own (a build tree, a per-user install), else beside the settings.
QUARRY_EXPORT QString DefaultDataSourceFile();
// The list beside the library; it starts a user's list until they save one.
QUARRY_EXPORT QString SharedDataSourceFile();

// Replaces the table by the file's content (the shared list while the file
// does not exist): every numbered section in numeric order. Sections without
// a name and entries past the 50th are left out and reported in one report.
// False only when the file cannot be read. Never changes the file.
QUARRY_EXPORT bool Get_DataSources();

// Writes every row with an ID, renumbered from 1, to a new file beside the
// old one and puts it in place in one rename: a failed save returns false
// and leaves the previous file whole. An empty list removes the file.
QUARRY_EXPORT bool Save_DataSources();

// Shows the editor for a new entry (blnEdit false; lngIndex unused) or for
// row lngIndex. True when the user confirmed and the row was written; the
// file is not saved.
QUARRY_EXPORT bool New_DataSource(int lngIndex, bool blnEdit);

// Asks the user and, on OK, marks row lngIndex deleted. The file is not saved.
QUARRY_EXPORT bool Delete_DataSource(int lngIndex);

// Adds an entry without the editor, as a confirmed New_DataSource does: the
// row after the count, texts as given. False with a report under `procedure`
// when the name is blank or all 50 rows are in use.
QUARRY_EXPORT bool Add_DataSource(const QString& name, const QString& connection, const QString& description,
                                  const QString& delimiter,
                                  const QString& procedure = QStringLiteral("New_DataSource"));

// The one editor instance of this thread, created on first use.
QUARRY_EXPORT frmNewDataSource& DataSourceEditor();

} // namespace Glob
