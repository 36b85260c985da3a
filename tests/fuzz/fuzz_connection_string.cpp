// Any text as a connection string: parsed or refused with an error, never a crash; what parses
// survives being written out item by item for the driver manager and parsed again (quoted
// values aside: the driver manager's syntax has braces only); a translation for the driver manager
// never carries a NUL.
#include "FuzzCheck.h"

#include "platform/db/ConnectionString.h"

#include <cstddef>
#include <cstdint>

using namespace quarry::db;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    std::vector<ConnectionItem> items;
    try {
        items = parseConnectionString(text);
    } catch (const quarry::DatabaseError&) {
        return 0;
    }
    QStringList written;
    bool roundTrips = true;
    for (const ConnectionItem& item : items) {
        FUZZ_CHECK(item.Begin >= 0 && item.Begin <= item.End && item.End <= text.size());
        written << odbcItem(item.Key, item.Value);
        for (QChar c : item.Key)
            roundTrips = roundTrips && (c.isLetterOrNumber() || c == u' ' || c == u'_');
        // Quotes mean nothing to the driver manager, so a value that starts with one is written bare.
        roundTrips = roundTrips && !item.Value.startsWith(u'"') && !item.Value.startsWith(u'\'');
    }
    if (roundTrips) {
        const std::vector<ConnectionItem> again = parseConnectionString(written.join(u';'));
        FUZZ_CHECK(again.size() == items.size());
        for (std::size_t i = 0; i < items.size(); ++i)
            FUZZ_CHECK(again[i].Key.trimmed() == items[i].Key.trimmed() && again[i].Value == items[i].Value);
    }
    for (int mode : {1, 3}) {
        try {
            const OdbcTarget target =
                translateConnectionString(text, {quarry::ConnectMode(mode), 10, {}, {}, mode == 1, 10},
                                          {"SQLite3", "PostgreSQL Unicode", "MariaDB Unicode", "FreeTDS"});
            FUZZ_CHECK(!target.OdbcString.contains(QChar(u'\0')));
        } catch (const quarry::DatabaseError&) {
        }
    }
    return 0;
}
