#include "mainwindow/frmMain.h"
#include "platform/Clock.h"
#include "platform/QtPrompter.h"
#include "platform/SettingsStore.h"

#include <QApplication>
#include <QSettings>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tavrin"));
    QApplication::setApplicationName(QStringLiteral("Tavrin"));
    QApplication::setApplicationVersion(QStringLiteral(TAVRIN_VERSION));

    QSettings qsettings;
    tavrin::SettingsStore settings(qsettings);
    tavrin::QtPrompter prompter;
    tavrin::SystemClock clock;
    tavrin::frmMain window(settings, prompter, clock);
    prompter.setParentWindow(&window);
    window.show();
    return QApplication::exec();
}
