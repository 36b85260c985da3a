// Any bytes as a profile file: sections and values read without a crash, and a value written
// afterwards reads back as written while every section that was there stays.
#include "FuzzCheck.h"

#include "platform/ProfileFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

using namespace quarry::platform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static QTemporaryDir folder;
    const QString fileName = folder.filePath(QStringLiteral("fuzz.ini"));
    QFile file(fileName);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.close();

    const QStringList sections = GetProfileSectionNames(fileName);
    for (const QString& section : sections.mid(0, 4))
        GetProfileString(section, QStringLiteral("Name"), QStringLiteral("-"), 4096, fileName);
    const QString value = QStringLiteral("Provider=SQLite;Data Source='/tmp/o''b;c.db'");
    if (WriteProfileString(QStringLiteral("Fuzz"), QStringLiteral("Connection"), value, fileName)) {
        FUZZ_CHECK(GetProfileString(QStringLiteral("Fuzz"), QStringLiteral("Connection"), {}, 4096,
                                    fileName) == value);
        const QStringList after = GetProfileSectionNames(fileName);
        for (const QString& section : sections)
            FUZZ_CHECK(after.contains(section));
    }
    return 0;
}
