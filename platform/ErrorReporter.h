// Where the settings module, the dialogs and Init report their errors: one
// line on stderr and a message box through the prompts interface.
#pragma once

#include <quarry/Database.h>
#include <quarry/quarry_export.h>

#include <QString>

#include <vector>

namespace quarry::platform {

struct AppInfo
{
    QString Name;
    QString Path;
    QString Version;
};

class QUARRY_EXPORT ErrorReporter
{
public:
    struct Report
    {
        QString Procedure;
        QString Description;
    };

    void setAppInfo(const AppInfo& info) { m_appInfo = info; }
    const AppInfo& appInfo() const { return m_appInfo; }
    // Who to tell, as the host words it; none leaves the sentence out.
    void setContact(const QString& contact) { m_contact = contact; }
    QString contact() const { return m_contact; }
    void setTitle(const QString& title) { m_title = title; }
    QString title() const { return m_title; }
    // When set, the reporter shows a message box for each report.
    void setShowMessages(bool show) { m_showMessages = show; }
    bool showMessages() const { return m_showMessages; }
    // The connection in use, named in later reports. Only its description is
    // kept: a copy would hold the connection open for the thread's lifetime.
    void setConnection(const quarry::Connection& connection);
    QString connectionText() const { return m_connectionText; }

    // Records, prints and (when asked to) shows one error. The result is the
    // button pressed; no caller needs it.
    int ReportError(const QString& procedure, const QString& description);

    // The latest reports, oldest first (tests read these); older ones are
    // dropped past kKeptReports, so a long session does not grow the list.
    static constexpr std::size_t kKeptReports = 100;
    const std::vector<Report>& reports() const { return m_reports; }
    void clearReports() { m_reports.clear(); }

private:
    AppInfo m_appInfo;
    QString m_contact;
    QString m_title;
    bool m_showMessages = false;
    QString m_connectionText;
    std::vector<Report> m_reports;
};

} // namespace quarry::platform
