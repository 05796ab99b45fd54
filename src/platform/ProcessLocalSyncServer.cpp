#include "ProcessLocalSyncServer.h"

#include "Scheduler.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkInterface>
#include <QProcess>
#include <QRegularExpression>

#include <csignal>

#include <sys/prctl.h>
#include <unistd.h>

namespace {

// A bracketed IPv6 address, as a listen address needs it.
QString hostPort(const QString& address, quint16 port)
{
    const QString host = address.contains(u':') ? u'[' + address + u']' : address;
    return host + u':' + QString::number(port);
}

// Interfaces that carry a default route, from the kernel's routing tables.
QStringList defaultRouteInterfaces()
{
    QStringList names;
    QFile v4(QStringLiteral("/proc/net/route"));
    if (v4.open(QIODevice::ReadOnly)) {
        // Iface Destination Gateway ...: a destination of 00000000 is the default route.
        for (const QByteArray& line : v4.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() > 2 && fields[1] == "00000000")
                names << QString::fromLatin1(fields[0]);
        }
    }
    QFile v6(QStringLiteral("/proc/net/ipv6_route"));
    if (v6.open(QIODevice::ReadOnly)) {
        // Destination, its prefix length, ..., the interface last: ::/0 is the default route.
        for (const QByteArray& line : v6.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() == 10 && fields[0] == QByteArray(32, '0') && fields[1] == "00" &&
                fields[9] != "lo")
                names << QString::fromLatin1(fields[9]);
        }
    }
    return names;
}

} // namespace

ProcessLocalSyncServer::ProcessLocalSyncServer(QString program, QString databasePath, Scheduler& scheduler,
                                               QObject* parent)
    : QObject(parent), m_program(std::move(program)), m_database(std::move(databasePath)),
      m_scheduler(scheduler)
{}

ProcessLocalSyncServer::~ProcessLocalSyncServer()
{
    stop();
}

void ProcessLocalSyncServer::start(const QString& address, quint16 port, Started started)
{
    if (m_process && address == m_address && (port == 0 || port == m_port)) {
        if (m_listening)
            started(m_listening);
        else
            m_waiting.append(std::move(started));
        return;
    }
    stop();
    m_address = address;
    m_port = port;
    m_restarts = 0;
    m_waiting.append(std::move(started));
    launch();
}

void ProcessLocalSyncServer::launch()
{
    if (!QFileInfo(m_program).isExecutable()) {
        const QList<Started> waiting = std::exchange(m_waiting, {});
        for (const Started& s : waiting)
            s(std::nullopt);
        return;
    }
    QDir().mkpath(QFileInfo(m_database).absolutePath());
    auto* process = new QProcess(this);
    m_process = process;
    m_listening.reset();
    m_log.clear();
    process->setProcessChannelMode(QProcess::SeparateChannels);
    process->setStandardOutputFile(QProcess::nullDevice());
    connect(process, &QProcess::readyReadStandardError, this, &ProcessLocalSyncServer::readLog);
    connect(process, &QProcess::finished, this, [this, process] {
        process->deleteLater();
        if (process == m_process)
            exited();
    });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart && process == m_process) {
            process->deleteLater();
            exited();
        }
    });
    // It goes when Pellow goes, also when Pellow is killed and cannot stop it.
    process->setChildProcessModifier([parent = ::getpid()] {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(1);
    });
    process->start(m_program, {QStringLiteral("--local-network"), QStringLiteral("--listen"),
                               hostPort(m_address, m_port), QStringLiteral("--database"),
                               QStringLiteral("sqlite:") + m_database});
}

void ProcessLocalSyncServer::readLog()
{
    if (!m_process)
        return;
    m_log += m_process->readAllStandardError();
    // Only whole lines; the server's own log stays with Pellow's.
    qsizetype end;
    while ((end = m_log.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(m_log.left(end));
        m_log.remove(0, end + 1);
        qInfo("pellow-sync-server: %s", qPrintable(line));
        static const QRegularExpression listening(QStringLiteral(" listening on https?://\\S*:(\\d+)"));
        const QRegularExpressionMatch match = listening.match(line);
        if (!m_listening && match.hasMatch()) {
            m_listening = quint16(match.captured(1).toUInt());
            m_port = *m_listening;
            const QList<Started> waiting = std::exchange(m_waiting, {});
            for (const Started& s : waiting)
                s(m_listening);
        }
    }
    if (m_log.size() > 64 * 1024) // a line that never ends is not read further
        m_log.clear();
}

void ProcessLocalSyncServer::exited()
{
    const bool wasListening = m_listening.has_value();
    m_process.clear();
    m_listening.reset();
    // One that never listened (its port taken, say) is not tried again: the caller chooses.
    if (!wasListening) {
        const QList<Started> waiting = std::exchange(m_waiting, {});
        for (const Started& s : waiting)
            s(std::nullopt);
        return;
    }
    if (m_restarts >= kRestarts) {
        if (m_gaveUp)
            m_gaveUp(QStringLiteral("the sync server Pellow runs for the phone stopped %1 times")
                         .arg(kRestarts + 1));
        return;
    }
    ++m_restarts;
    // Brought back on the port it had, so the phone's saved address still works.
    m_scheduler.after(1.0, [self = QPointer<ProcessLocalSyncServer>(this)] {
        if (self && !self->m_process)
            self->launch();
    });
}

void ProcessLocalSyncServer::stop()
{
    QProcess* process = m_process;
    m_process.clear();
    m_listening.reset();
    m_waiting.clear();
    if (!process)
        return;
    process->disconnect(this);
    process->terminate();
    if (!process->waitForFinished(2000)) {
        process->kill();
        process->waitForFinished(2000);
    }
    delete process;
}

bool ProcessLocalSyncServer::isRunning() const
{
    return m_process && m_listening;
}

QList<LocalNetwork::Interface> ProcessLocalSyncServer::interfaces() const
{
    const QStringList routed = defaultRouteInterfaces();
    QList<LocalNetwork::Interface> list;
    for (const QNetworkInterface& qi : QNetworkInterface::allInterfaces()) {
        LocalNetwork::Interface i;
        i.name = qi.name();
        const auto flags = qi.flags();
        i.up = flags.testFlag(QNetworkInterface::IsUp) && flags.testFlag(QNetworkInterface::IsRunning);
        i.loopback = flags.testFlag(QNetworkInterface::IsLoopBack);
        i.pointToPoint = flags.testFlag(QNetworkInterface::IsPointToPoint);
        i.defaultRoute = routed.contains(qi.name());
        for (const QNetworkAddressEntry& entry : qi.addressEntries()) {
            QHostAddress address = entry.ip();
            address.setScopeId(QString());
            i.addresses << address.toString();
        }
        list << i;
    }
    return list;
}
