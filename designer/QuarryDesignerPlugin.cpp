#include "QuarryDesignerPlugin.h"

#include <quarry/kwQuarry.h>

#include <QIcon>

QString QuarryDesignerPlugin::name() const
{
    return QStringLiteral("kwQuarry");
}

QString QuarryDesignerPlugin::group() const
{
    return QStringLiteral("Quarry");
}

QString QuarryDesignerPlugin::toolTip() const
{
    return QStringLiteral("Database browser: data sources, their tables, views and procedures");
}

QString QuarryDesignerPlugin::whatsThis() const
{
    return QStringLiteral("Browses the data sources of the user's list and hands a starting query for the "
                          "object the user opens to the host through RunQuery. The host calls Init once "
                          "the window is set up.");
}

QString QuarryDesignerPlugin::includeFile() const
{
    return QStringLiteral("quarry/kwQuarry.h");
}

QIcon QuarryDesignerPlugin::icon() const
{
    return QIcon(QStringLiteral(":/quarry/designer/kwquarry.svg"));
}

bool QuarryDesignerPlugin::isContainer() const
{
    return false;
}

QWidget* QuarryDesignerPlugin::createWidget(QWidget* parent)
{
    return new kwQuarry(parent);
}

QString QuarryDesignerPlugin::domXml() const
{
    return QStringLiteral("<ui language=\"c++\">\n"
                          " <widget class=\"kwQuarry\" name=\"browser\">\n"
                          "  <property name=\"geometry\"><rect><x>0</x><y>0</y><width>400</width>"
                          "<height>300</height></rect></property>\n"
                          " </widget>\n"
                          "</ui>\n");
}
