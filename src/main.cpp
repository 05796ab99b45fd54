#include "app/AppDelegate.h"
#include "app/CommandLineClient.h"
#include "app/DBusControl.h"
#include "app/SingleInstance.h"
#include "platform/Autostart.h"
#include "platform/Clock.h"
#include "platform/DBusNotifier.h"
#include "platform/DesktopTrayItem.h"
#include "platform/HttpRequestCommand.h"
#include "platform/LazySoundPlayer.h"
#include "platform/PreferenceFile.h"
#include "platform/ProcessHttpClient.h"
#include "platform/ProcessLocalSyncServer.h"
#include "platform/QtHttpClient.h"
#include "platform/QtScheduler.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <QStandardPaths>

namespace {

// The sounds beside the binary (the build tree), then the installed data folders.
QStringList soundFolders()
{
    const QString appDir = QCoreApplication::applicationDirPath();
    QStringList folders{appDir + QStringLiteral("/sounds"),
                        appDir + QStringLiteral("/../share/pellow/sounds")};
    for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders.append(data + QStringLiteral("/pellow/sounds"));
    return folders;
}

QString unreadableSettingsNotice(const PreferenceFile& prefs)
{
    switch (prefs.loadStatus()) {
    case PreferenceFile::LoadStatus::MovedAside:
        return QStringLiteral(
                   "Pellow couldn't read its settings and started afresh. The old file was kept as %1.")
            .arg(QDir::toNativeSeparators(prefs.movedAsidePath()));
    case PreferenceFile::LoadStatus::Unreadable:
        return QStringLiteral("Pellow couldn't read its settings file %1 and won't change it. "
                              "Your timers won't be saved until it can be read.")
            .arg(QDir::toNativeSeparators(prefs.path()));
    default:
        return QString();
    }
}

} // namespace

// The floating windows need to place themselves and stay above others, which a native Wayland
// client cannot do: under Wayland, run on XWayland when it is there.
void preferXWayland()
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return;
    if (qgetenv("XDG_SESSION_TYPE") == "wayland" && qEnvironmentVariableIsSet("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (arguments.value(0) == HttpRequestCommand::kOption) {
        QCoreApplication app(argc, argv);
        return HttpRequestCommand::run(arguments.mid(1));
    }
    if (const CommandLine::Command command = CommandLine::parse(arguments);
        command.kind != CommandLine::Command::Launch) {
        QCoreApplication app(argc, argv);
        return runCommand(command);
    }

    preferXWayland();
    // Pellow's windows are small and repaint a few rows a second. Through shared memory each such
    // repaint waits on a round trip to the X server first (the last image may still be read);
    // plain image requests of that size cost less and never wait.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(pellow);
    QApplication::setApplicationName(QStringLiteral("Pellow"));
    QApplication::setDesktopFileName(QStringLiteral("app.pellow.Pellow"));
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstance instance(SingleInstance::defaultName());
    if (!instance.claim())
        return 0;

    SystemClock clock;
    QtScheduler scheduler;
    PreferenceFile preferences(PreferenceFile::defaultPath());
    DesktopTrayItem tray(QDBusConnection::sessionBus(), qEnvironmentVariable("XDG_CURRENT_DESKTOP"),
                         QCoreApplication::applicationDirPath() + QStringLiteral("/../share/icons"));
    DBusNotifier notifier(
        [&tray](const QString& title, const QString& body) { tray.showMessage(title, body); });
    LazySoundPlayer sounds(QCoreApplication::applicationDirPath() + QStringLiteral("/../lib/pellow"));
    QtHttpClient http;
    // Update checks run in a child process, so the TLS libraries never stay loaded for them.
    ProcessHttpClient updateHttp(QCoreApplication::applicationFilePath());
    AutostartFile autostart({}, QCoreApplication::applicationFilePath());
    // The sync server for a phone on the local network: installed beside Pellow.
    ProcessLocalSyncServer localServer(QCoreApplication::applicationDirPath() +
                                           QStringLiteral("/pellow-sync-server"),
                                       QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                                           QStringLiteral("/pellow/local-sync.db"),
                                       scheduler);

    AppDelegate delegate(Platform{clock, scheduler, preferences, notifier, sounds, tray, http, updateHttp,
                                  autostart, localServer, soundFolders()});
    instance.setActivationHandler([&delegate] { delegate.activateFromSecondLaunch(); });
    delegate.applicationDidFinishLaunching();
    DBusControl control(delegate);
    if (!control.registerOn(QDBusConnection::sessionBus()))
        qWarning("Pellow's D-Bus interface %s is not available.", qPrintable(DBusControl::kService));
    if (const QString notice = unreadableSettingsNotice(preferences); !notice.isEmpty())
        delegate.postNotice(notice);
    return app.exec();
}
