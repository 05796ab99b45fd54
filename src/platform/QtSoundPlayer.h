#pragma once

#include "SoundPlayer.h"

#include <QHash>
#include <QList>
#include <QObject>

class QSoundEffect;

// Plays WAV files through QSoundEffect. Each file gets a small pool of effects whose source is
// set once, so sounds start without decoding delay and several plays of one file overlap.
class QtSoundPlayer final : public QObject, public SoundPlayer
{
public:
    explicit QtSoundPlayer(QObject* parent = nullptr) : QObject(parent) {}
    void play(const QString& filePath) override;
    void preload(const QString& filePath) override { pool(filePath); }

private:
    struct Pool
    {
        QList<QSoundEffect*> effects;
        int next = 0;
    };
    Pool& pool(const QString& filePath);

    static constexpr int kPoolSize = 4;
    QHash<QString, Pool> m_pools;
};
