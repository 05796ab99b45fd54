#pragma once

#include "LocalSyncServer.h"

#include <QObject>
#include <QPointer>

class QProcess;
class Scheduler;

// LocalSyncServer as a `pellow-sync-server --local-network` child process, stopped with Pellow.
class ProcessLocalSyncServer final : public QObject, public LocalSyncServer
{
    Q_OBJECT

public:
    ProcessLocalSyncServer(QString program, QString databasePath, Scheduler& scheduler,
                           QObject* parent = nullptr);
    ~ProcessLocalSyncServer() override;

    void start(const QString& address, quint16 port, Started started) override;
    void stop() override;
    bool isRunning() const override;
    void setGaveUpHandler(GaveUp handler) override { m_gaveUp = std::move(handler); }
    QList<LocalNetwork::Interface> interfaces() const override;

    // Restarts allowed after the server dies, before Pellow gives up on it.
    static constexpr int kRestarts = 3;

private:
    void launch();
    void readLog();
    void exited();

    QString m_program;
    QString m_database;
    Scheduler& m_scheduler;
    QPointer<QProcess> m_process;
    QString m_address;
    quint16 m_port = 0;
    std::optional<quint16> m_listening;
    QList<Started> m_waiting;
    GaveUp m_gaveUp;
    int m_restarts = 0;
    QByteArray m_log;
};
