#include "LazySoundPlayer.h"

#include <QLibrary>

namespace {

// The module's file name (src/CMakeLists.txt) and the factory it exports (AudioModule.cpp).
constexpr const char* kModuleName = "pellow-audio";
constexpr const char* kFactory = "pellowMakeSoundPlayer";

} // namespace

LazySoundPlayer::LazySoundPlayer(QString moduleDirectory) : m_moduleDirectory(std::move(moduleDirectory)) {}

// The player goes before the module that holds its code, which stays loaded until exit anyway.
LazySoundPlayer::~LazySoundPlayer() = default;

SoundPlayer* LazySoundPlayer::player()
{
    if (m_tried)
        return m_player.get();
    m_tried = true;
    QLibrary module(m_moduleDirectory + QLatin1Char('/') + QLatin1String(kModuleName));
    using Factory = SoundPlayer* (*)();
    const auto make = reinterpret_cast<Factory>(module.resolve(kFactory));
    if (!make) {
        qWarning("Pellow plays no sounds: %s", qPrintable(module.errorString()));
        return nullptr;
    }
    m_player.reset(make());
    return m_player.get();
}

void LazySoundPlayer::play(const QString& filePath)
{
    if (SoundPlayer* sounds = player())
        sounds->play(filePath);
}

void LazySoundPlayer::preload(const QString& filePath)
{
    if (SoundPlayer* sounds = player())
        sounds->preload(filePath);
}
