#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QLocalServer;

// One Pellow per user. The first launch holds a lock file and listens on a local socket; a
// later launch finds the lock taken, tells the running instance and exits. A lock left by a
// killed instance is recognised as stale (its process is gone) and taken over.
class SingleInstance final : public QObject
{
public:
    // `name` distinguishes per-user instances; tests pass their own.
    explicit SingleInstance(const QString& name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the one instance. Otherwise the running one was told.
    bool claim();
    // Called in the running instance when a later launch hands over to it.
    void setActivationHandler(std::function<void()> handler) { m_onActivated = std::move(handler); }

    static QString defaultName();

private:
    bool notifyRunning();
    QString socketPath() const;

    QString m_name;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    std::function<void()> m_onActivated;
};
