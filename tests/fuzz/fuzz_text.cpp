// Values as Dabrook shows them: a floating-point number's text reads back as the same number,
// and a script splits into statements that lie in order inside it, each trimmed and non-empty.
#include "FuzzCheck.h"

#include "app/ResultsModel.h"
#include "app/SqlText.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size >= sizeof(double)) {
        double number = 0;
        std::memcpy(&number, data, sizeof number);
        if (std::isfinite(number)) {
            const QString shown = dabrook::ResultsModel::displayText(number, 5);
            FUZZ_CHECK(shown.toDouble() == number);
            const float single = float(number);
            if (std::isfinite(single))
                FUZZ_CHECK(dabrook::ResultsModel::displayText(double(single), 4).toFloat() == single);
        }
    }
    const QString script = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    qsizetype previous = 0;
    for (const dabrook::StatementSpan& span : dabrook::statementSpans(script)) {
        FUZZ_CHECK(previous <= span.Begin && span.Begin < span.End && span.End <= script.size());
        const QString statement = script.mid(span.Begin, span.End - span.Begin);
        FUZZ_CHECK(statement == statement.trimmed());
        FUZZ_CHECK(dabrook::statementAt(script, span.Begin) == statement);
        previous = span.End;
    }
    return 0;
}
