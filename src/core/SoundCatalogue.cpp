#include "SoundCatalogue.h"

namespace SoundCatalogue {

namespace {
QList<Sound> titled(std::initializer_list<const char*> names)
{
    QList<Sound> sounds;
    for (const char* name : names) {
        const QString n = QString::fromLatin1(name);
        sounds.append({n, n.left(1).toUpper() + n.mid(1)});
    }
    return sounds;
}
} // namespace

const QList<Sound>& finishSounds()
{
    static const QList<Sound> sounds =
        titled({"chime", "ding", "bell", "marimba", "glass", "triple", "ripple", "gong"});
    return sounds;
}

const QList<Sound>& shortSounds()
{
    static const QList<Sound> sounds = titled({"tap", "tick", "ping", "murmur", "chirp"});
    return sounds;
}

const QList<Sound>& allSounds()
{
    static const QList<Sound> sounds = finishSounds() + shortSounds();
    return sounds;
}

} // namespace SoundCatalogue
