#pragma once

#include "SoundPlayer.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>

class QMediaDevices;
class QSoundEffect;

// Plays WAV files through QSoundEffect. Each file gets a small pool of effects whose source is
// set once, so sounds start without decoding delay and several plays of one file overlap; a pool
// starts with one effect and grows only when plays overlap. Without an audio output it plays
// nothing and says so once, until an output appears.
class QtSoundPlayer final : public QObject, public SoundPlayer
{
public:
    explicit QtSoundPlayer(QObject* parent = nullptr);
    void play(const QString& filePath) override;
    void preload(const QString& filePath) override;

private:
    struct Pool
    {
        QList<QSoundEffect*> effects;
        int next = 0;
    };
    Pool& pool(const QString& filePath);
    QSoundEffect* addEffect(Pool& pool, const QString& filePath);
    bool hasOutput();
    // Without an output, a sound is still read once, so a missing or unreadable file is told.
    void checkReadable(const QString& filePath);

    static constexpr int kPoolSize = 4;
    QHash<QString, Pool> m_pools;
    QMediaDevices* m_devices = nullptr;
    bool m_saidNoOutput = false;
    QSet<QString> m_checked;
};
