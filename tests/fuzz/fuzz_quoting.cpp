// A name wrapped in any delimiter the editor offers reads back as exactly that name, alone or
// qualified by another, whatever characters it holds.
#include "FuzzCheck.h"

#include "platform/db/ConnectionString.h"
#include "query/Delimited.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    static const QString delimiters[] = {QStringLiteral("\""), QStringLiteral("`"), QStringLiteral("[")};
    const QString& delimiter = delimiters[data[0] % 3];
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const qsizetype cut = text.indexOf(u'\x1f');
    const QString owner = cut < 0 ? QString() : text.left(cut);
    const QString name = cut < 0 ? text : text.mid(cut + 1);

    FUZZ_CHECK(quarry::db::splitQualifiedName(Delimited(name, delimiter)) == QStringList{name});
    if (cut >= 0)
        FUZZ_CHECK(quarry::db::splitQualifiedName(Delimited(owner, delimiter) + u'.' +
                                                  Delimited(name, delimiter)) == (QStringList{owner, name}));
    return 0;
}
