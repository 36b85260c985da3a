// A kwQuarry started with Init over a data-source file of the test's own,
// in a temporary library folder, with chosen stored options.
#pragma once

#include "ScriptedPrompts.h"
#include "control/kwQuarryPrivate.h"
#include "platform/LibraryLocation.h"
#include "platform/widgets/ObjectList.h"
#include "platform/widgets/TreeModel.h"
#include "platform/widgets/TreeView.h"
#include "settings/Glob.h"
#include "settings/SettingsStore.h"

#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace quarry::test {

struct SourceRow
{
    QString name;
    QString connection;
    QString description;
};

class Browser
{
public:
    // `settings` are (section, key, value) written to the store before Init.
    explicit Browser(const std::vector<SourceRow>& sources,
                     const std::vector<std::array<QString, 3>>& settings = {})
    {
        QFile::remove(Glob::SettingsStore(QStringLiteral("Dabrook")).fileName());
        quarry::platform::setLibraryFolderForTesting(m_folder.path());
        QFile file(m_folder.filePath(QStringLiteral("DataSources.ini")));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write the data-source file");
        for (size_t i = 0; i < sources.size(); ++i)
            file.write(QStringLiteral("[%1]\nName=%2\nConnection=%3\nDescription=%4\nDelimiter=\"\n")
                           .arg(i + 1)
                           .arg(sources[i].name, sources[i].connection, sources[i].description)
                           .toUtf8());
        file.close();
        Glob::setAppTitle(QStringLiteral("Dabrook"));
        // Options live per thread; an earlier test's values must not leak in.
        Glob::Options() = {};
        for (const auto& [section, key, value] : settings)
            Glob::SaveSetting(section, key, value);

        control = std::make_unique<kwQuarry>();
        d = kwQuarryPrivate::get(control.get());
        errors = std::make_unique<QSignalSpy>(control.get(), &kwQuarry::ErrHandle);
        selected = std::make_unique<QSignalSpy>(control.get(), &kwQuarry::QuerySelected);
        control->resize(640, 480);
        initialized = control->Init();
        control->show();
        if (!QTest::qWaitForWindowExposed(control.get()))
            qWarning("the browser was never shown");
    }

    ~Browser()
    {
        control->UnloadFlter();
        control.reset();
        QFile::remove(Glob::SettingsStore(QStringLiteral("Dabrook")).fileName());
    }

    quarry::platform::TreeModel* model() const { return d->treeModel; }
    quarry::platform::TreeView* tree() const { return d->tvwData; }
    QModelIndex root(int number) const { return model()->findKey(QStringLiteral("a%1").arg(number)); }
    QModelIndex child(int number, const QString& text) const
    {
        const QModelIndex parent = root(number);
        for (int row = 0; row < model()->rowCount(parent); ++row)
            if (model()->text(model()->index(row, 0, parent)) == text)
                return model()->index(row, 0, parent);
        return {};
    }
    QString status() const { return d->panel1->text(); }

    // The user's ways in: a click on a node, the Right key to expand the current one.
    // A category's listing may go on after the click: the user waits for the list.
    void click(const QModelIndex& node) const
    {
        press(node);
        waitListed();
    }
    // The click alone, the window free again while the listing goes on.
    void press(const QModelIndex& node) const
    {
        tree()->scrollTo(node);
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, tree()->visualRect(node).center());
    }
    // Until the list is complete and has laid itself out, as the user sees it.
    bool waitListed() const
    {
        const bool listed = QTest::qWaitFor([this] { return d->listingRun == 0; }, 20000);
        QCoreApplication::processEvents();
        return listed;
    }
    void expand(const QModelIndex& node) const
    {
        tree()->setCurrentIndex(node);
        QTest::keyClick(tree(), Qt::Key_Right);
    }

    // Procedure names of the ErrHandle signals so far.
    QStringList errorProcedures() const
    {
        QStringList names;
        for (const QList<QVariant>& error : *errors)
            names << error.at(0).toString();
        return names;
    }

    ScriptedPrompts prompts;
    QTemporaryDir m_folder;
    std::unique_ptr<kwQuarry> control;
    kwQuarryPrivate* d = nullptr;
    std::unique_ptr<QSignalSpy> errors;
    std::unique_ptr<QSignalSpy> selected;
    bool initialized = false;
};

} // namespace quarry::test
