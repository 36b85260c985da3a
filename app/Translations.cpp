#include "app/Translations.h"

#include <quarry/Translations.h>

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

namespace dabrook {

namespace {

// Reloads `slot` from `folder`; a catalogue that is not there leaves it uninstalled.
bool reload(QPointer<QTranslator>& slot, const QLocale& locale, const QString& name, const QString& folder)
{
    if (!slot)
        slot = new QTranslator(QCoreApplication::instance());
    QCoreApplication::removeTranslator(slot);
    return slot->load(locale, name, QStringLiteral("_"), folder) && QCoreApplication::installTranslator(slot);
}

} // namespace

bool loadTranslations(const QLocale& locale)
{
    if (!QCoreApplication::instance())
        return false;
    static QPointer<QTranslator> qt, own;
    // Qt's standard buttons and dialogs; Debian ships these in qt6-translations-l10n.
    reload(qt, locale, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    quarry::loadTranslations(locale);
    return reload(own, locale, QStringLiteral("dabrook"), QStringLiteral(":/dabrook/i18n"));
}

} // namespace dabrook
