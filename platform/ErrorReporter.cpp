#include "platform/ErrorReporter.h"

#include "platform/widgets/Prompts.h"

#include <cstdio>

namespace quarry::platform {

int ErrorReporter::ReportError(const QString& procedure, const QString& description)
{
    m_reports.push_back({procedure, description});
    QString line = QStringLiteral("%1: %2: %3")
                       .arg(m_appInfo.Name.isEmpty() ? QStringLiteral("quarry") : m_appInfo.Name, procedure,
                            description);
    if (m_connection.State() != adStateClosed)
        line += QStringLiteral(" [provider %1]").arg(m_connection.Provider());
    std::fprintf(stderr, "%s\n", qUtf8Printable(line.simplified()));
    if (!m_showMessages)
        return 0;
    QString text = QStringLiteral("%1\n\n%2").arg(procedure, description);
    if (!m_contact.isEmpty())
        text += QStringLiteral("\n\nPlease report this to %1.").arg(m_contact);
    return int(Prompts::current().MsgBox(text, MsgButtons::OK, MsgIcon::Critical, m_title));
}

} // namespace quarry::platform
