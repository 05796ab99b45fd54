#pragma once

#include "core/MenuModel.h"

#include <QDBusContext>
#include <QObject>

class AppDelegate;

// Pellow driven from scripts: the app.pellow.Pellow interface at /app/pellow/Pellow on the
// session bus, each method the same action as its menu item.
class DBusControl final : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "app.pellow.Pellow")

public:
    static inline const QString kService = QStringLiteral("app.pellow.Pellow");
    static inline const QString kPath = QStringLiteral("/app/pellow/Pellow");

    explicit DBusControl(AppDelegate& app, QObject* parent = nullptr);
    // Exports the interface and takes the bus name; false when either is taken.
    bool registerOn(QDBusConnection bus);

public slots:
    // A running countdown of `seconds` (0: a stopwatch) named `name`; its id.
    QString NewTimer(double seconds, const QString& name);
    // The timer list in its stored JSON form.
    QString ListTimers();
    void Toggle(const QString& id);
    void StartOver(const QString& id);
    void Remove(const QString& id);
    void PauseAll();
    void StartAll();
    void ShowNewTimerWindow();
    void ShowHUD(bool shown);

signals:
    void TimersChanged();

private:
    // Runs a timer action on `id`, or answers the caller with an error for an unknown id.
    void onTimer(const QString& id, void (AppDelegate::*action)(const MenuItem&));

    AppDelegate& m_app;
};
