#include "QtSoundPlayer.h"

#include <QAudioDevice>
#include <QFile>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

QtSoundPlayer::QtSoundPlayer(QObject* parent) : QObject(parent), m_devices(new QMediaDevices(this))
{
    connect(m_devices, &QMediaDevices::audioOutputsChanged, this, [this] {
        if (!QMediaDevices::defaultAudioOutput().isNull())
            m_saidNoOutput = false;
    });
}

bool QtSoundPlayer::hasOutput()
{
    if (!QMediaDevices::defaultAudioOutput().isNull())
        return true;
    if (!m_saidNoOutput) {
        qWarning("No audio device detected: Pellow plays no sounds until one appears.");
        m_saidNoOutput = true;
    }
    return false;
}

QSoundEffect* QtSoundPlayer::addEffect(Pool& pool, const QString& filePath)
{
    auto* effect = new QSoundEffect(this);
    effect->setSource(QUrl::fromLocalFile(filePath));
    pool.effects.append(effect);
    return effect;
}

QtSoundPlayer::Pool& QtSoundPlayer::pool(const QString& filePath)
{
    Pool& pool = m_pools[filePath];
    if (pool.effects.isEmpty())
        addEffect(pool, filePath);
    return pool;
}

void QtSoundPlayer::checkReadable(const QString& filePath)
{
    if (m_checked.contains(filePath))
        return;
    m_checked.insert(filePath);
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly) || file.read(4) != "RIFF")
        qWarning("Can't read the sound %s", qPrintable(filePath));
}

void QtSoundPlayer::preload(const QString& filePath)
{
    if (hasOutput())
        pool(filePath);
    else
        checkReadable(filePath);
}

void QtSoundPlayer::play(const QString& filePath)
{
    if (!hasOutput()) {
        checkReadable(filePath);
        return;
    }
    Pool& pool = this->pool(filePath);
    // Prefer an idle effect so a sound still playing is not cut short.
    for (int i = 0; i < pool.effects.size(); ++i) {
        QSoundEffect* effect = pool.effects[(pool.next + i) % pool.effects.size()];
        if (!effect->isPlaying()) {
            pool.next = (pool.next + i + 1) % pool.effects.size();
            effect->play();
            return;
        }
    }
    if (pool.effects.size() < kPoolSize) {
        addEffect(pool, filePath)->play();
        return;
    }
    QSoundEffect* oldest = pool.effects[pool.next];
    pool.next = (pool.next + 1) % pool.effects.size();
    oldest->play();
}
