#include "gui/MainWindow.h"
#include "core/platform/Clock.h"
#include "gui/QtPrompter.h"
#include "core/settings/SettingsStore.h"

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
    tavrin::MainWindow window(settings, prompter, clock);
    prompter.setParentWindow(&window);
    window.show();
    return QApplication::exec();
}
