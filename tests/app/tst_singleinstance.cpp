#include "app/SingleInstance.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

// A lock left behind by a process that no longer exists does not block the next start (the lock it takes
// holds; a second launch handing over to the first is run_e2e.sh's).
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

    void staleLockFromDeadProcessIsTakenOver()
    {
        const qint64 deadPid = 999999; // above any pid this machine has handed out
        QFile lock(m_runtime.filePath(m_name + QStringLiteral(".lock")));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(deadPid) + "\npellow\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        lock.close();
        SingleInstance next(m_name);
        QVERIFY(next.claim());
        SingleInstance after(m_name);
        QVERIFY(!after.claim());
    }
};

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
