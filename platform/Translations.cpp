#include <quarry/Translations.h>

#include <QCoreApplication>
#include <QPointer>
#include <QTranslator>

namespace quarry {

bool loadTranslations(const QLocale& locale)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return false;
    // One translator, reloaded: the application keeps a single catalogue of ours.
    static QPointer<QTranslator> catalogue;
    if (!catalogue)
        catalogue = new QTranslator(app);
    QCoreApplication::removeTranslator(catalogue);
    return catalogue->load(locale, QStringLiteral("quarry"), QStringLiteral("_"),
                           QStringLiteral(":/quarry/i18n")) &&
           QCoreApplication::installTranslator(catalogue);
}

} // namespace quarry
