#include "settings/Glob.h"

#include "settings/DataSources.h"
#include "settings/SettingsStore.h"
#include "settings/TextConvert.h"

#include <QCoreApplication>
#include <QDir>

#include <limits>
#include <memory>
#include <optional>
#include <variant>

namespace Glob {

namespace {

struct ModuleState
{
    BrowserOptions options;
    QString appTitle;
    int currentDataSource = 0;
    std::unique_ptr<quarry::platform::ErrorReporter> reporter;
};

thread_local ModuleState t_state;

using Field = std::variant<bool BrowserOptions::*, int BrowserOptions::*, QString BrowserOptions::*>;

struct OptionKey
{
    const char* section;
    const char* key;
    Field field;
    // Numbers outside [least, most] give way to the initial value.
    int least = std::numeric_limits<int>::min();
    int most = std::numeric_limits<int>::max();
    int initial = 0;
};

// The keys each procedure handles, in the order it handles them.
const OptionKey kReadIniKeys[] = {
    {"General", "Data View", &BrowserOptions::lngDataView, 0, 3, 1},
    {"Data", "ToolBar Text", &BrowserOptions::blnToolBarText},
    {"Data", "Grid Lines", &BrowserOptions::blnGridLines},
    {"General", "Object Tool Tips", &BrowserOptions::blnToolTips},
    {"General", "Object Tool Tip Field Types", &BrowserOptions::blnToolTipTypes},
    {"General", "Object Tool Tip sort", &BrowserOptions::blnToolTipSort},
    {"General", "Object Tool Delay", &BrowserOptions::lngToolTipDelay, 0, std::numeric_limits<int>::max(), 3},
    {"Data", "Split\\Percentage", &BrowserOptions::lngSplitPercent, 0, 100, 20},
    {"Data", "Split\\Orientation", &BrowserOptions::blnSplitHorizontal},
    {"Data", "Split\\Left", &BrowserOptions::blnSplitLeft},
};

const OptionKey kAdminKeys[] = {
    {"Admin", "Open Table", &BrowserOptions::blnQueryTables},
    {"Admin", "Open View", &BrowserOptions::blnQueryViews},
    {"Admin", "Open sp", &BrowserOptions::blnQueryProcs},
    {"Admin", "Data Password", &BrowserOptions::blnDataPassword},
    {"Admin", "Admin Password", &BrowserOptions::blnAdminPassword},
    {"Admin", "Password", &BrowserOptions::strPassword},
    {"Admin", "Edit Data", &BrowserOptions::blnEditData},
    {"Admin", "Open SQL", &BrowserOptions::blnOpenSQL},
    {"Admin", "Options", &BrowserOptions::blnOptions},
};

// "Data View" is absent: the view-mode command saves it on its own.
const OptionKey kSaveIniKeys[] = {
    {"General", "INI File", &BrowserOptions::strDataSourceFile},
    {"Data", "Split\\Percentage", &BrowserOptions::lngSplitPercent},
    {"Data", "Split\\Orientation", &BrowserOptions::blnSplitHorizontal},
    {"Data", "Split\\Left", &BrowserOptions::blnSplitLeft},
    {"Data", "ToolBar Text", &BrowserOptions::blnToolBarText},
    {"Data", "Grid Lines", &BrowserOptions::blnGridLines},
    {"General", "Object Tool Tips", &BrowserOptions::blnToolTips},
    {"General", "Object Tool Tip Field Types", &BrowserOptions::blnToolTipTypes},
    {"General", "Object Tool Tip sort", &BrowserOptions::blnToolTipSort},
    {"General", "Object Tool Delay", &BrowserOptions::lngToolTipDelay},
};

QString toText(const BrowserOptions& options, const Field& field)
{
    return std::visit(
        [&](auto member) -> QString {
            const auto& value = options.*member;
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, bool>)
                return BoolToText(value);
            else if constexpr (std::is_same_v<T, int>)
                return IntToText(value);
            else
                return value;
        },
        field);
}

// Stores text into the field; a description of what is wrong when it does
// not convert or lies out of range, the field then left as it was or set to
// its initial value.
std::optional<QString> fromText(BrowserOptions& options, const OptionKey& entry, const QString& text,
                                const QString& file)
{
    const auto where = [&] {
        return QCoreApplication::translate("Glob", "\"%1\"/\"%2\" in the settings file \"%3\"")
            .arg(QLatin1String(entry.section), QLatin1String(entry.key), file);
    };
    return std::visit(
        [&](auto member) -> std::optional<QString> {
            auto& value = options.*member;
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, QString>) {
                value = text;
                return std::nullopt;
            } else {
                std::optional<T> converted;
                if constexpr (std::is_same_v<T, bool>)
                    converted = TextToBool(text);
                else
                    converted = TextToInt(text);
                if (!converted)
                    return (std::is_same_v<T, bool>
                                ? QCoreApplication::translate(
                                      "Glob", "\"%1\" is not a valid Boolean for %2; %3 is used.")
                                : QCoreApplication::translate(
                                      "Glob", "\"%1\" is not a valid whole number for %2; %3 is used."))
                        .arg(text, where(), toText(options, entry.field));
                if constexpr (std::is_same_v<T, int>) {
                    if (*converted < entry.least || *converted > entry.most) {
                        value = entry.initial;
                        return QCoreApplication::translate("Glob", "%1 is out of range for %2; %3 is used.")
                            .arg(text, where(), IntToText(value));
                    }
                }
                value = *converted;
                return std::nullopt;
            }
        },
        entry.field);
}

// Loads every key with its current value as the default. A value that does
// not convert or is out of range leaves its default and the rest still load:
// one stray value must not leave the browser blank. What was wrong is
// reported once, together.
template <std::size_t N> bool load(const char* procedure, const OptionKey (&keys)[N], bool reportStrayLines)
{
    SettingsStore store(t_state.appTitle);
    QString error;
    if (!store.open(&error)) {
        Reporter().ReportError(QLatin1String(procedure), error);
        return false;
    }
    QStringList problems;
    if (reportStrayLines)
        for (const int line : store.strayLines())
            problems << QCoreApplication::translate(
                            "Glob", "Line %1 of the settings file \"%2\" is not a setting and is ignored.")
                            .arg(line)
                            .arg(store.fileName());
    BrowserOptions& options = t_state.options;
    for (const OptionKey& entry : keys) {
        const QString text =
            store.get(QLatin1String(entry.section), QLatin1String(entry.key), toText(options, entry.field));
        if (const auto problem = fromText(options, entry, text, store.fileName()))
            problems << *problem;
    }
    if (!problems.isEmpty())
        Reporter().ReportError(QLatin1String(procedure), problems.join(u'\n'));
    return true;
}

template <std::size_t N> bool save(const char* procedure, const OptionKey (&keys)[N])
{
    QList<SettingsStore::Entry> entries;
    for (const OptionKey& entry : keys)
        entries.append(
            {QLatin1String(entry.section), QLatin1String(entry.key), toText(t_state.options, entry.field)});
    SettingsStore store(t_state.appTitle);
    QString error;
    if (store.save(entries, &error))
        return true;
    Reporter().ReportError(QLatin1String(procedure), error);
    return false;
}

} // namespace

BrowserOptions& Options()
{
    return t_state.options;
}

QString AppTitle()
{
    return t_state.appTitle;
}

void setAppTitle(const QString& title)
{
    t_state.appTitle = title;
}

int CurrentDataSource()
{
    return t_state.currentDataSource;
}

void setCurrentDataSource(int number)
{
    t_state.currentDataSource = number;
}

bool HasErrorReporter()
{
    return t_state.reporter != nullptr;
}

quarry::platform::ErrorReporter& Reporter()
{
    if (!t_state.reporter)
        t_state.reporter = std::make_unique<quarry::platform::ErrorReporter>();
    return *t_state.reporter;
}

bool Read_INI()
{
    BrowserOptions& options = t_state.options;
    options.lngToolTipDelay = 3;
    options.lngSplitPercent = 20;
    options.blnSplitHorizontal = false;
    options.lngDataView = 1;
    options.blnEditData = true;
    options.blnQueryTables = true;
    options.blnQueryProcs = true;
    options.blnQueryViews = true;
    options.blnOpenSQL = true;
    options.blnOptions = true;
    // Recomputed at every load: the stored "INI File" is only a record.
    options.strDataSourceFile = QDir::toNativeSeparators(DefaultDataSourceFile());
    return load("Read_INI", kReadIniKeys, true);
}

bool Get_Options()
{
    // A stored False for "Open Table" is honoured like "Open View" and
    // "Open sp": the options dialog offers and saves all three alike, so a
    // user who turns tables off expects that to survive a restart.
    return load("Get_Options", kAdminKeys, false);
}

bool Save_INI()
{
    return save("Save_INI", kSaveIniKeys);
}

bool Save_Options()
{
    return save("Save_Options", kAdminKeys);
}

QString GetSetting(const QString& section, const QString& key, const QString& defaultText)
{
    SettingsStore store(t_state.appTitle);
    if (!store.open(nullptr))
        return defaultText;
    return store.get(section, key, defaultText);
}

bool SaveSetting(const QString& section, const QString& key, const QString& text, QString* errorDescription)
{
    SettingsStore store(t_state.appTitle);
    return store.save({{section, key, text}}, errorDescription);
}

} // namespace Glob
