#include "DBusControl.h"

#include "AppDelegate.h"
#include "core/LengthParser.h"
#include "core/TimeTexts.h"
#include "platform/PreferenceStore.h"

#include <QDBusConnection>

#include <cmath>

namespace {

const QString kUnknownTimer = QStringLiteral("app.pellow.Pellow.Error.UnknownTimer");
const QString kInvalidLength = QStringLiteral("app.pellow.Pellow.Error.InvalidLength");

} // namespace

DBusControl::DBusControl(AppDelegate& app, QObject* parent) : QObject(parent), m_app(app)
{
    m_app.timersChanged = [this] { emit TimersChanged(); };
}

bool DBusControl::registerOn(QDBusConnection bus)
{
    return bus.registerObject(kPath, this,
                              QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals) &&
           bus.registerService(kService);
}

QString DBusControl::NewTimer(double seconds, const QString& name)
{
    if (!std::isfinite(seconds) || seconds < 0 || seconds > LengthParser::kMaxLengthSeconds) {
        sendErrorReply(kInvalidLength, QStringLiteral("A timer's length is 0 (a stopwatch) to %1 seconds")
                                           .arg(LengthParser::kMaxLengthSeconds, 0, 'f', 0));
        return {};
    }
    return m_app.addNewTimer(seconds, seconds == 0, TimeTexts::trimSpacesAndTabs(name), std::nullopt);
}

QString DBusControl::ListTimers()
{
    return QString::fromUtf8(TimerJson::encodeBytes(m_app.timers).value_or(QByteArrayLiteral("[]")));
}

void DBusControl::onTimer(const QString& id, void (AppDelegate::*action)(const MenuItem&))
{
    if (!m_app.timerWithID(id)) {
        sendErrorReply(kUnknownTimer, QStringLiteral("No timer has the id %1").arg(id));
        return;
    }
    (m_app.*action)(MenuItem::make(QString(), QString(), id));
}

void DBusControl::Toggle(const QString& id)
{
    onTimer(id, &AppDelegate::timerToggleRun);
}

void DBusControl::StartOver(const QString& id)
{
    onTimer(id, &AppDelegate::timerStartOver);
}

void DBusControl::Remove(const QString& id)
{
    onTimer(id, &AppDelegate::timerRemove);
}

void DBusControl::PauseAll()
{
    m_app.pauseAllTimers();
}

void DBusControl::StartAll()
{
    m_app.startAllTimers();
}

void DBusControl::ShowNewTimerWindow()
{
    m_app.newTimer();
}

void DBusControl::ShowHUD(bool shown)
{
    if (m_app.platform().preferences.boolValue(m_app.timerHUDVisibleKey) != shown)
        m_app.toggleTimerHUD();
}
