#pragma once

#include <QStringList>

class Autostart;
class Clock;
class HttpClient;
class LocalSyncServer;
class Notifier;
class PreferenceStore;
class Scheduler;
class SoundPlayer;
class TrayItem;

// The platform services the controller is built with; tests pass fakes.
struct Platform
{
    Clock& clock;
    Scheduler& scheduler;
    PreferenceStore& preferences;
    Notifier& notifier;
    SoundPlayer& sounds;
    TrayItem& tray;
    // Sync requests; update checks, which are rare, go through `updateHttp`.
    HttpClient& http;
    HttpClient& updateHttp;
    Autostart& autostart;
    // The sync server Pellow runs itself for a phone on the local network.
    LocalSyncServer& localServer;
    // Folders searched, in order, for "<name>.wav".
    QStringList soundFolders;
};
