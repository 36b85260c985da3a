#include "platform/LibraryLocation.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMutex>

#include <dlfcn.h>
#include <unistd.h>

namespace quarry::platform {

namespace {

QMutex g_overrideLock;
QString g_override;

} // namespace

QString LibraryFolder()
{
    {
        QMutexLocker lock(&g_overrideLock);
        if (!g_override.isEmpty())
            return g_override;
    }
    // The address of a function of this library names the file that holds it,
    // whichever executable loaded it and from wherever.
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&LibraryFolder), &info) != 0 && info.dli_fname && *info.dli_fname)
        return QFileInfo(QFile::decodeName(info.dli_fname)).absolutePath();
    return QCoreApplication::applicationDirPath();
}

bool FolderIsUsersOwn(const QString& folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.ownerId() == uint(::geteuid()) && info.isWritable();
}

void setLibraryFolderForTesting(const QString& folder)
{
    QMutexLocker lock(&g_overrideLock);
    g_override = folder;
}

} // namespace quarry::platform
