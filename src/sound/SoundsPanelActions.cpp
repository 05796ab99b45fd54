#include "app/AppDelegate.h"

#include "core/SoundCatalogue.h"
#include "platform/PreferenceStore.h"
#include "sound/SoundsPanel.h"

namespace {
QStringList names(const QList<SoundCatalogue::Sound>& sounds)
{
    QStringList list;
    for (const SoundCatalogue::Sound& sound : sounds)
        list.append(sound.name);
    return list;
}
} // namespace

void AppDelegate::openSoundsPanel()
{
    const PreferenceStore& prefs = m_platform.preferences;
    const auto current = [&prefs](const QString& key) { return prefs.stringValue(key).value_or(QString()); };
    SoundsPanel::Choices choices;
    choices.roles = {
        {QStringLiteral("Up"), soundFinishKey, names(SoundCatalogue::allSounds()), current(soundFinishKey)},
        {QStringLiteral("Half"), soundHalfwayKey, names(SoundCatalogue::shortSounds()),
         current(soundHalfwayKey)},
        {QStringLiteral("Warn"), soundWarnKey, names(SoundCatalogue::shortSounds()), current(soundWarnKey)},
    };
    choices.chirpCount = prefs.boolValue(soundChirpCountKey);

    if (!soundsPanel) {
        const QPointer<AppDelegate> self(this);
        SoundsPanel::Handlers handlers;
        handlers.listen = [self](const QString& soundKey) {
            if (self)
                self->soundListen(soundKey);
        };
        handlers.assign = [self](const QString& soundKey, const QString& role) {
            if (self)
                self->soundAssign(soundKey, role);
        };
        handlers.chirpCount = [self](bool on) {
            if (self)
                self->toggleChirpCountFromPanel(on);
        };
        handlers.demoChirps = [self] {
            if (self)
                self->demoChirps();
        };
        auto* panel = new SoundsPanel(std::move(handlers));
        // The panel lives as long as the controller, closed or not; the controller deletes it.
        soundsPanel = panel;
    }
    auto* panel = static_cast<SoundsPanel*>(soundsPanel.data());
    panel->rebuild(choices);
    // A visible panel keeps its place across rebuilds.
    if (!panel->isVisible())
        panel->centreOnScreen();
    panel->show();
    panel->raise();
    panel->activateWindow();
}

void AppDelegate::soundListen(const QString& soundKey)
{
    playSoundNamed(soundKey);
}

void AppDelegate::soundAssign(const QString& soundKey, const QString& role)
{
    if (role != soundFinishKey && role != soundHalfwayKey && role != soundWarnKey)
        return;
    m_platform.preferences.setString(role, soundKey);
    playSoundNamed(soundKey);
    openSoundsPanel();
    rebuildStatusMenu();
}

void AppDelegate::toggleChirpCountFromPanel(bool on)
{
    m_platform.preferences.setBool(soundChirpCountKey, on);
    if (on)
        playChirps(2);
    rebuildStatusMenu();
}

void AppDelegate::demoChirps()
{
    playChirps(2);
}
