#include "platform/ErrorReporter.h"

#include "platform/widgets/Prompts.h"

#include <QCoreApplication>

#include <cstdio>

namespace quarry::platform {

void ErrorReporter::setConnection(const quarry::Connection& connection)
{
    m_connectionText = connection.State() != adStateClosed
                           ? QStringLiteral("provider %1").arg(connection.Provider())
                           : QString();
}

int ErrorReporter::ReportError(const QString& procedure, const QString& description)
{
    m_reports.push_back({procedure, description});
    if (m_reports.size() > kKeptReports)
        m_reports.erase(m_reports.begin());
    QString line = QStringLiteral("%1: %2: %3")
                       .arg(m_appInfo.Name.isEmpty() ? QStringLiteral("quarry") : m_appInfo.Name, procedure,
                            description);
    if (!m_connectionText.isEmpty())
        line += QStringLiteral(" [%1]").arg(m_connectionText);
    std::fprintf(stderr, "%s\n", qUtf8Printable(line.simplified()));
    if (!m_showMessages)
        return 0;
    QString text = QStringLiteral("%1\n\n%2").arg(procedure, description);
    if (!m_contact.isEmpty())
        text += QCoreApplication::translate("ErrorReporter", "\n\nPlease report this to %1.").arg(m_contact);
    return int(Prompts::current().MsgBox(text, MsgButtons::OK, MsgIcon::Critical, m_title));
}

} // namespace quarry::platform
