#pragma once

#include <QString>

// Starts playing a sound file without waiting for it to end; sounds may overlap.
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    virtual void play(const QString& filePath) = 0;
    // Readies a file for playing (decoding it in the background) so its first play starts at once.
    virtual void preload(const QString& filePath) = 0;
};
