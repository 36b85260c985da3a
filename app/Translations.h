// Dabrook in the user's language: Qt's own texts, the browser's and its own.
#pragma once

#include <QLocale>

namespace dabrook {

// Loads the three catalogues for `locale`, in place of those an earlier call
// loaded; those missing leave their texts in English. True when Dabrook's own
// was found (never for English, which needs none).
bool loadTranslations(const QLocale& locale = QLocale());

} // namespace dabrook
