#include "SettingsTestSupport.h"

#include "settings/Glob.h"

#include <QFile>

#include <sys/stat.h>

namespace quarry::test {

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

int unixMode(const QString& path)
{
    struct stat info
    {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

QStringList takeReports()
{
    QStringList lines;
    for (const auto& report : Glob::Reporter().reports())
        lines << report.Procedure + QStringLiteral(": ") + report.Description;
    Glob::Reporter().clearReports();
    return lines;
}

} // namespace quarry::test
