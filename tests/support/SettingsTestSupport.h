// Files and reports as the settings, data-source and profile-file tests see them.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quarry::test {

// The file's bytes, or "<unreadable>".
QByteArray readBytes(const QString& path);
bool writeBytes(const QString& path, const QByteArray& bytes);
// Permission bits as the file system holds them; -1 without a file.
int unixMode(const QString& path);
// This thread's reports as "Procedure: Description", which are then cleared.
QStringList takeReports();

} // namespace quarry::test
