#pragma once

#include "SoundPlayer.h"

#include <QString>

#include <memory>

// Plays through the audio module (Qt Multimedia and the sound server's client libraries), which
// it loads on the first play or preload: an idle Pellow keeps none of that in memory. Without the
// module it plays nothing and says so once.
class LazySoundPlayer final : public SoundPlayer
{
public:
    // `moduleDirectory` holds the module (installed as <prefix>/lib/pellow beside <prefix>/bin).
    explicit LazySoundPlayer(QString moduleDirectory);
    ~LazySoundPlayer() override;

    void play(const QString& filePath) override;
    void preload(const QString& filePath) override;

private:
    SoundPlayer* player();

    QString m_moduleDirectory;
    std::unique_ptr<SoundPlayer> m_player;
    bool m_tried = false;
};
