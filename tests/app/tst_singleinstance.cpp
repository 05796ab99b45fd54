#include "app/SingleInstance.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

// One Pellow per user: a second claim hands over to the first, and a lock left behind by a
// process that no longer exists does not block the next start.
class TestSingleInstance : public QObject
{
    Q_OBJECT

    QTemporaryDir m_runtime;
    QString m_name;

private slots:
    void init()
    {
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
        QFile::setPermissions(m_runtime.path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        m_name = QStringLiteral("pellow-test-") + QUuid::createUuid().toString(QUuid::Id128);
    }

    void secondClaimHandsOver()
    {
        SingleInstance first(m_name);
        int activations = 0;
        first.setActivationHandler([&] { ++activations; });
        QVERIFY(first.claim());
        SingleInstance second(m_name);
        QVERIFY(!second.claim());
        QTRY_COMPARE(activations, 1);
    }

    void staleLockFromDeadProcessIsTakenOver()
    {
        // A lock file naming a process that has exited, as a killed instance leaves it.
        const qint64 deadPid = 999999; // above any pid this machine has handed out
        QFile lock(m_runtime.filePath(m_name + QStringLiteral(".lock")));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(deadPid) + "\npellow\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        lock.close();
        SingleInstance next(m_name);
        QVERIFY(next.claim());
    }
};

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
