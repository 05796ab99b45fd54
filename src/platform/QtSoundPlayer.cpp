#include "QtSoundPlayer.h"

#include <QSoundEffect>
#include <QUrl>

QtSoundPlayer::Pool& QtSoundPlayer::pool(const QString& filePath)
{
    Pool& pool = m_pools[filePath];
    if (pool.effects.isEmpty()) {
        for (int i = 0; i < kPoolSize; ++i) {
            auto* effect = new QSoundEffect(this);
            effect->setSource(QUrl::fromLocalFile(filePath));
            pool.effects.append(effect);
        }
    }
    return pool;
}

void QtSoundPlayer::play(const QString& filePath)
{
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
    QSoundEffect* oldest = pool.effects[pool.next];
    pool.next = (pool.next + 1) % pool.effects.size();
    oldest->play();
}
