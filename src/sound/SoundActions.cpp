#include "app/AppDelegate.h"

#include "platform/PreferenceStore.h"
#include "platform/SoundPlayer.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

std::optional<QString> AppDelegate::soundNamed(const QString& name) const
{
    if (name.isEmpty() || name == QLatin1String("off"))
        return std::nullopt;
    // A name is a bare word; anything that could reach outside the sound folders is no sound.
    static const QRegularExpression bareWord(QStringLiteral("^[A-Za-z0-9_-]+$"));
    if (!bareWord.match(name).hasMatch())
        return std::nullopt;
    for (const QString& folder : m_platform.soundFolders) {
        const QString path = QDir(folder).filePath(name + QStringLiteral(".wav"));
        if (QFileInfo(path).isFile())
            return path;
    }
    return std::nullopt;
}

void AppDelegate::playSoundNamed(const QString& name)
{
    if (const auto path = soundNamed(name))
        m_platform.sounds.play(*path);
}

void AppDelegate::preloadSounds()
{
    const PreferenceStore& prefs = m_platform.preferences;
    QStringList names{prefs.stringValue(soundFinishKey).value_or(QStringLiteral("chime")),
                      prefs.stringValue(soundHalfwayKey).value_or(QStringLiteral("tap")),
                      prefs.stringValue(soundWarnKey).value_or(QStringLiteral("ping"))};
    if (prefs.boolValue(soundChirpCountKey))
        names.append(QStringLiteral("chirp"));
    for (const QString& name : names) {
        if (const auto path = soundNamed(name))
            m_platform.sounds.preload(*path);
    }
}

void AppDelegate::readySoundsOnceRunning()
{
    if (m_soundsReady ||
        std::none_of(timers.cbegin(), timers.cend(), [](const PellowTimer& t) { return t.running; }))
        return;
    m_soundsReady = true;
    preloadSounds();
}

void AppDelegate::playChirps(int count)
{
    if (count < 1 || count > 10) {
        playSoundNamed(m_platform.preferences.stringValue(soundWarnKey).value_or(QStringLiteral("ping")));
        return;
    }
    for (int k = 0; k < count; ++k)
        later(k * 0.21, [this] { playSoundNamed(QStringLiteral("chirp")); });
}

void AppDelegate::setSound(const MenuItem& sender)
{
    if (sender.representedObject.typeId() != QMetaType::QVariantMap)
        return;
    const QVariantMap map = sender.representedObject.toMap();
    const QVariant key = map.value(QStringLiteral("key"));
    const QVariant value = map.value(QStringLiteral("value"));
    if (key.typeId() != QMetaType::QString || value.typeId() != QMetaType::QString)
        return;
    // Only the three sound roles may be written from a menu item.
    const QString k = key.toString();
    if (k != soundFinishKey && k != soundHalfwayKey && k != soundWarnKey)
        return;
    m_platform.preferences.setString(k, value.toString());
    playSoundNamed(value.toString());
    rebuildStatusMenu();
}

void AppDelegate::toggleFinishRepeat()
{
    PreferenceStore& prefs = m_platform.preferences;
    prefs.setBool(soundFinishRepeatKey, !prefs.boolValue(soundFinishRepeatKey));
    if (!prefs.boolValue(soundFinishRepeatKey))
        stopRinging();
    rebuildStatusMenu();
}

void AppDelegate::ringFinishSound(const QString& sound)
{
    if (!m_platform.preferences.boolValue(soundFinishRepeatKey))
        return;
    stopRinging();
    for (int k = 1; k * kRingInterval <= kRingLongest; ++k)
        ringing.append(later(k * kRingInterval, [this, sound] { playSoundNamed(sound); }));
}

void AppDelegate::stopRinging()
{
    for (const Scheduler::TaskId id : std::as_const(ringing))
        m_platform.scheduler.cancel(id);
    ringing.clear();
}

void AppDelegate::toggleChirpCount()
{
    PreferenceStore& prefs = m_platform.preferences;
    const bool on = !prefs.boolValue(soundChirpCountKey);
    prefs.setBool(soundChirpCountKey, on);
    if (on)
        playChirps(2);
    rebuildStatusMenu();
}
