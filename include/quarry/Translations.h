// The browser's texts in the user's language. A host calls loadTranslations
// once its QApplication exists, before it creates a kwQuarry; Qt's own texts
// (standard buttons) and the host's are the host's to load.
#pragma once

#include <quarry/quarry_export.h>

#include <QLocale>

namespace quarry {

// Installs the library's catalogue for `locale` on the application, in place
// of the one an earlier call installed. True when one was found and
// installed; false when there is none, so for English, the language of the
// texts themselves, which needs none (an earlier catalogue is removed all the
// same). Widgets show the texts in force when they were made.
QUARRY_EXPORT bool loadTranslations(const QLocale& locale = QLocale());

} // namespace quarry
